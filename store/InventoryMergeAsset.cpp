// The asset fields of imported rows: a record beside each PC's row, under
// the key the PC's history is kept under.

#include "GbkLiteral.h"
#include "InventoryMergeImpl.h"
#include "IpAsset.h"

namespace vantrel::store {

using namespace merge;

bool InventoryMerge::MergeAsset(const MergeValues& row, const AssetChanges& changes, bool write) {
    if (!HasValue(row, MacColumn())) {
        throw StoreError("An asset record needs the row's MAC");
    }
    auto guard = impl_->connection.Lock();
    impl_->Prepare();
    sqlite3* db = impl_->db;
    if (!IpAsset::TableExists(db)) {
        throw StoreError(u8"数据库文件没有资产信息表 ip_asset，无法导入资产信息"_gbk);
    }
    std::vector<StoredRow> rows;
    impl_->Lookup(row, rows);
    const std::string key =
        rows.empty() ? *row[MacColumn()] : rows.front()[MacColumn()].value_or(*row[MacColumn()]);
    if (write) {
        return IpAsset::Write(db, key, changes, impl_->address, impl_->time) > 0;
    }
    const inventory::AssetValues stored =
        IpAsset::RecordOf(db, key).value_or(inventory::DefaultAssetValues());
    bool changed = false;
    for (std::size_t f = 0; f < changes.size(); ++f) {
        changed = changed || (changes[f] && *changes[f] != stored[f]);
    }
    const std::optional<std::string>& number =
        changes[inventory::IndexOf(inventory::AssetField::assetno)];
    if (number && *number != stored[inventory::IndexOf(inventory::AssetField::assetno)]) {
        if (const std::optional<std::string> holder = IpAsset::HolderOf(db, *number, key)) {
            throw AssetError(IpAsset::TakenMessage(db, *number, *holder));
        }
    }
    return changed;
}

}  // namespace vantrel::store
