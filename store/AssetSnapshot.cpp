#include "AssetSnapshot.h"

#include <sqlite3.h>

#include "Gbk.h"
#include "InventoryDatabase.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace {

bool HasAssetTable(sqlite3* db) {
    SqliteStatement find(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    find.BindText(1, "ip_asset");
    return find.Step();
}

}  // namespace

AssetSnapshot AssetSnapshot::Read(InventoryDatabase& connection) {
    AssetSnapshot snapshot;
    auto guard = connection.Lock();
    if (!connection.Connected()) {
        return snapshot;
    }
    sqlite3* db = connection.Handle();
    if (!HasAssetTable(db)) {
        return snapshot;
    }
    std::string sql = "SELECT mac";
    for (const inventory::AssetFieldInfo& info : inventory::kAssetFields) {
        sql += ", ";
        sql += info.column;
    }
    sql += " FROM ip_asset";
    SqliteStatement read(db, sql);
    while (read.Step()) {
        inventory::AssetValues& fields = snapshot.records_[text::AsciiUpper(read.Bytes(0))];
        for (std::size_t f = 0; f < inventory::kAssetFieldCount; ++f) {
            fields[f] = std::string(read.Bytes(static_cast<int>(f) + 1));
        }
    }
    return snapshot;
}

const inventory::AssetValues& AssetSnapshot::Of(std::string_view key) const {
    static const inventory::AssetValues kNone{};
    const auto found = records_.find(text::AsciiUpper(key));
    return found == records_.end() ? kNone : found->second;
}

}  // namespace vantrel::store
