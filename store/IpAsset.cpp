#include "IpAsset.h"

#include <sqlite3.h>

#include "Gbk.h"
#include "GbkLiteral.h"
#include "IdentityPlaceholders.h"
#include "InventoryDatabase.h"
#include "IpHistory.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace {

using inventory::AssetField;
using inventory::kAssetFields;

// As store/schema.sql declares them.
constexpr const char* kAddTableSql =
    "BEGIN IMMEDIATE;"
    "CREATE TABLE IF NOT EXISTS ip_asset (\n"
    "    mac          TEXT PRIMARY KEY COLLATE NOCASE,\n"
    "    assetno      TEXT,\n"
    "    status       TEXT,\n"
    "    location     TEXT,\n"
    "    purchasedate TEXT,\n"
    "    supplier     TEXT,\n"
    "    price        TEXT,\n"
    "    warrantyend  TEXT,\n"
    "    remark       TEXT\n"
    ");"
    "CREATE UNIQUE INDEX IF NOT EXISTS ip_asset_no ON ip_asset (assetno) WHERE assetno <> '';"
    "COMMIT";

constexpr const char* kColumns =
    "assetno, status, location, purchasedate, supplier, price, warrantyend, remark";

void Execute(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        ThrowSqliteError(db);
    }
}

// One transaction of the connection: rolled back unless committed.
class Transaction {
  public:
    explicit Transaction(sqlite3* db) : db_(db) { Execute(db_, "BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (!done_) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit() {
        Execute(db_, "COMMIT");
        done_ = true;
    }

  private:
    sqlite3* db_;
    bool done_ = false;
};

std::optional<inventory::AssetValues> ReadRecord(sqlite3* db, std::string_view key) {
    SqliteStatement read(db, std::string("SELECT ") + kColumns + " FROM ip_asset WHERE mac = ?1");
    read.BindText(1, key);
    if (!read.Step()) {
        return std::nullopt;
    }
    inventory::AssetValues values;
    for (std::size_t f = 0; f < values.size(); ++f) {
        values[f] = std::string(read.Bytes(static_cast<int>(f)));
    }
    return values;
}

void RequireTable(sqlite3* db) {
    if (!IpAsset::TableExists(db)) {
        throw StoreError(u8"数据库文件不能写入，没有资产信息表 ip_asset"_gbk);
    }
}

std::string Now(const system::LocalClock& clock) {
    return system::TimeText(system::LocalNow(clock));
}

}  // namespace

IpAsset::IpAsset(InventoryDatabase& connection, system::LocalClock clock)
    : connection_(connection), clock_(std::move(clock)) {}

const std::string& IpAsset::ManualAddress() {
    return u8"手工修改"_gbk;
}

bool IpAsset::TableExists(sqlite3* db) {
    SqliteStatement find(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    find.BindText(1, "ip_asset");
    return find.Step();
}

void IpAsset::AddTableIfMissing(sqlite3* db, const std::string& path) {
    if (sqlite3_db_readonly(db, "main") == 1) {
        return;
    }
    SqliteStatement find(db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?1");
    find.BindText(1, "ip_asset_no");
    if (TableExists(db) && find.Step()) {
        return;
    }
    AddTable(db, kAddTableSql, path);
}

inventory::AssetValues IpAsset::Of(std::string_view key) const {
    auto guard = connection_.Lock();
    sqlite3* db = connection_.Handle();
    if (!TableExists(db)) {
        return inventory::DefaultAssetValues();
    }
    return ReadRecord(db, key).value_or(inventory::DefaultAssetValues());
}

std::optional<inventory::AssetValues> IpAsset::RecordOf(sqlite3* db, std::string_view key) {
    return ReadRecord(db, key);
}

std::optional<std::string> IpAsset::HolderOf(sqlite3* db, std::string_view assetNo,
                                             std::string_view exceptKey) {
    if (assetNo.empty()) {
        return std::nullopt;
    }
    SqliteStatement find(db, "SELECT mac FROM ip_asset WHERE assetno = ?1 AND mac <> ?2 LIMIT 1");
    find.BindText(1, assetNo);
    find.BindText(2, exceptKey);
    if (!find.Step()) {
        return std::nullopt;
    }
    return std::string(find.Bytes(0));
}

std::string IpAsset::TakenMessage(sqlite3* db, std::string_view assetNo,
                                  std::string_view holderKey) {
    // The PC by its name as its row holds it; a row without a MAC has it
    // in its key.
    std::string pcname;
    std::string mac(holderKey);
    if (holderKey.starts_with("no-mac\t")) {
        pcname = std::string(holderKey.substr(holderKey.rfind('\t') + 1));
        mac.clear();
    } else {
        SqliteStatement name(db, "SELECT pcname FROM ip WHERE mac = ?1 LIMIT 1");
        name.BindText(1, holderKey);
        if (name.Step()) {
            pcname = std::string(name.Bytes(0));
        }
    }
    std::string message = u8"资产编号“"_gbk + std::string(assetNo) + u8"”已属于 PC “"_gbk +
                          (pcname.empty() ? u8"（无名）"_gbk : pcname) + u8"”"_gbk;
    if (!mac.empty()) {
        message += u8"（MAC "_gbk + mac + u8"）"_gbk;
    }
    return message + u8"，不能再用于另一台 PC"_gbk;
}

std::size_t IpAsset::Write(sqlite3* db, std::string_view key, const AssetChanges& changes,
                           std::string_view address, std::string_view time) {
    const std::optional<inventory::AssetValues> stored = ReadRecord(db, key);
    const inventory::AssetValues before = stored.value_or(inventory::DefaultAssetValues());
    inventory::AssetValues after = before;
    std::size_t changed = 0;
    for (std::size_t f = 0; f < changes.size(); ++f) {
        if (changes[f] && *changes[f] != before[f]) {
            after[f] = *changes[f];
            ++changed;
        }
    }
    if (changed == 0) {
        return 0;
    }
    const std::string& number = after[inventory::IndexOf(AssetField::assetno)];
    if (number != before[inventory::IndexOf(AssetField::assetno)]) {
        if (const std::optional<std::string> holder = HolderOf(db, number, key)) {
            throw AssetError(TakenMessage(db, number, *holder));
        }
    }
    SqliteStatement upsert(db, std::string("INSERT INTO ip_asset (mac, ") + kColumns +
                                   ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9) "
                                   "ON CONFLICT (mac) DO UPDATE SET assetno = ?2, status = ?3, "
                                   "location = ?4, purchasedate = ?5, supplier = ?6, "
                                   "price = ?7, warrantyend = ?8, remark = ?9");
    upsert.BindText(1, key);
    for (std::size_t f = 0; f < after.size(); ++f) {
        upsert.BindText(static_cast<int>(f) + 2, after[f]);
    }
    upsert.Step();
    SqliteStatement history(db,
                            "INSERT INTO ip_history (mac, field, oldvalue, newvalue, changetime, "
                            "address) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    for (std::size_t f = 0; f < after.size(); ++f) {
        if (after[f] == before[f]) {
            continue;
        }
        history.Reset();
        history.BindText(1, key);
        history.BindText(2, kAssetFields[f].historyField);
        // A field the PC never had a record of held no value.
        if (stored) {
            history.BindText(3, before[f]);
        } else {
            history.BindNull(3);
        }
        history.BindText(4, after[f]);
        history.BindText(5, time);
        history.BindText(6, address);
        history.Step();
    }
    return changed;
}

std::size_t IpAsset::Save(std::string_view key, const inventory::AssetValues& values) {
    AssetChanges changes;
    for (std::size_t f = 0; f < values.size(); ++f) {
        std::string value = values[f];
        const std::string refused = inventory::NormalizeAssetValue(kAssetFields[f].field, value);
        if (!refused.empty()) {
            throw AssetError(refused);
        }
        changes[f] = std::move(value);
    }
    auto guard = connection_.Lock();
    sqlite3* db = connection_.Handle();
    RequireTable(db);
    Transaction transaction(db);
    const std::size_t changed = Write(db, key, changes, ManualAddress(), Now(clock_));
    transaction.Commit();
    return changed;
}

std::size_t IpAsset::SetField(const std::vector<std::string>& keys, AssetField field,
                              std::string value) {
    const std::string refused = inventory::NormalizeAssetValue(field, value);
    if (!refused.empty()) {
        throw AssetError(refused);
    }
    if (field == AssetField::assetno && !value.empty() && keys.size() > 1) {
        throw AssetError(u8"资产编号不能相同：同一个编号不能批量设给多台 PC"_gbk);
    }
    AssetChanges changes;
    changes[inventory::IndexOf(field)] = value;
    auto guard = connection_.Lock();
    sqlite3* db = connection_.Handle();
    RequireTable(db);
    const std::string time = Now(clock_);
    Transaction transaction(db);
    std::size_t changed = 0;
    for (const std::string& key : keys) {
        changed += Write(db, key, changes, ManualAddress(), time) > 0 ? 1 : 0;
    }
    transaction.Commit();
    return changed;
}

std::string IpAsset::ReportedAssetTag(std::string_view key) const {
    auto guard = connection_.Lock();
    sqlite3* db = connection_.Handle();
    SqliteStatement find(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    find.BindText(1, "ip_device");
    if (!find.Step()) {
        return "";
    }
    SqliteStatement read(db, "SELECT assettag FROM ip_device WHERE mac = ?1");
    read.BindText(1, key);
    if (!read.Step()) {
        return "";
    }
    const std::string tag(text::TrimBlanks(read.Bytes(0)));
    return protocol::IsPlaceholderText(tag) ? "" : tag;
}

inventory::AssetIndex IpAsset::ReadIndex(sqlite3* db) {
    inventory::AssetIndex index;
    if (!TableExists(db)) {
        return index;
    }
    SqliteStatement read(db, "SELECT mac, status, warrantyend FROM ip_asset");
    while (read.Step()) {
        index.Add(read.Bytes(0), {std::string(read.Bytes(1)), std::string(read.Bytes(2))});
    }
    return index;
}

inventory::AssetIndex IpAsset::Index() const {
    auto guard = connection_.Lock();
    if (!connection_.Connected()) {
        return {};
    }
    return ReadIndex(connection_.Handle());
}

std::string IpAsset::WarrantyLine(const system::LocalClock& clock) const {
    try {
        return inventory::WarrantyStartupLine(Index(), system::LocalNow(clock));
    } catch (const StoreError&) {
        return "";
    }
}

}  // namespace vantrel::store
