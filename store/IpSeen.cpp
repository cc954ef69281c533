#include "IpSeen.h"

#include <sqlite3.h>

#include "Gbk.h"
#include "GbkConvert.h"
#include "InventoryDatabase.h"
#include "IpHistory.h"
#include "SqliteStatement.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

// As store/schema.sql declares it.
constexpr const char* kAddTableSql =
    "BEGIN IMMEDIATE;"
    "CREATE TABLE IF NOT EXISTS ip_seen (\n"
    "    seenkey       TEXT PRIMARY KEY,\n"
    "    onlinetime    TEXT,\n"
    "    address       TEXT,\n"
    "    netbiosname   TEXT,\n"
    "    sweeptime     TEXT,\n"
    "    reporttime    TEXT,\n"
    "    reportaddress TEXT\n"
    ");"
    "COMMIT";

constexpr const char* kSightingSql =
    "INSERT INTO ip_seen (seenkey, onlinetime, address, netbiosname, sweeptime) "
    "VALUES (?1, ?2, ?3, ?4, ?5) ON CONFLICT (seenkey) DO UPDATE SET "
    "onlinetime = excluded.onlinetime, address = excluded.address, "
    "netbiosname = excluded.netbiosname, sweeptime = excluded.sweeptime";
constexpr const char* kReportSql =
    "INSERT INTO ip_seen (seenkey, reporttime, reportaddress) VALUES (?1, ?2, ?3) "
    "ON CONFLICT (seenkey) DO UPDATE SET "
    "reporttime = excluded.reporttime, reportaddress = excluded.reportaddress";
constexpr const char* kReadAllSql =
    "SELECT seenkey, onlinetime, address, netbiosname, sweeptime, reporttime, reportaddress "
    "FROM ip_seen";

void Execute(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        ThrowSqliteError(db);
    }
}

}  // namespace

IpSeen::IpSeen(InventoryDatabase& connection) : connection_(connection) {}

bool IpSeen::TableExists(sqlite3* db) {
    SqliteStatement find(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    find.BindText(1, "ip_seen");
    return find.Step();
}

void IpSeen::RecordSightings(const std::vector<Sighting>& sightings) {
    if (sightings.empty()) {
        return;
    }
    auto guard = connection_.Lock();
    sqlite3* db = connection_.Handle();
    if (!TableExists(db)) {
        return;
    }
    try {
        SqliteStatement upsert(db, kSightingSql);
        Execute(db, "BEGIN IMMEDIATE");
        for (const Sighting& sighting : sightings) {
            std::string key = inventory::SeenKeyOfMac(sighting.mac);
            if (key.empty()) {
                key = inventory::SeenKeyOfAddress(sighting.address);
            }
            const SqliteStatement::ResetOnExit reset(upsert);
            upsert.BindText(1, key);
            upsert.BindText(2, sighting.time);
            upsert.BindText(3, sighting.address);
            upsert.BindText(4, sighting.name);
            upsert.BindText(5, sighting.sweepTime);
            upsert.Step();
        }
        Execute(db, "COMMIT");
    } catch (...) {
        if (sqlite3_get_autocommit(db) == 0) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        throw;
    }
}

std::optional<inventory::SeenRecord> IpSeen::Of(std::string_view mac, std::string_view ip) const {
    auto guard = connection_.Lock();
    if (!connection_.Connected()) {
        return std::nullopt;
    }
    sqlite3* db = connection_.Handle();
    if (!TableExists(db)) {
        return std::nullopt;
    }
    SqliteStatement read(db, std::string(kReadAllSql) + " WHERE seenkey IN (?1, ?2)");
    read.BindText(1, inventory::SeenKeyOfMac(mac));
    read.BindText(2, inventory::SeenKeyOfAddress(ip));
    inventory::SeenIndex found;
    while (read.Step()) {
        inventory::SeenRecord& record = found[std::string(read.Bytes(0))];
        record = {std::string(read.Bytes(1)), std::string(read.Bytes(2)),
                  std::string(read.Bytes(3)), std::string(read.Bytes(4)),
                  std::string(read.Bytes(5)), std::string(read.Bytes(6))};
    }
    return inventory::SeenOfRow(found, mac, ip);
}

inventory::SeenIndex IpSeen::ReadAll(sqlite3* db) {
    inventory::SeenIndex seen;
    if (!TableExists(db)) {
        return seen;
    }
    SqliteStatement read(db, kReadAllSql);
    while (read.Step()) {
        seen[std::string(read.Bytes(0))] = {std::string(read.Bytes(1)), std::string(read.Bytes(2)),
                                            std::string(read.Bytes(3)), std::string(read.Bytes(4)),
                                            std::string(read.Bytes(5)), std::string(read.Bytes(6))};
    }
    return seen;
}

void IpSeen::AddTableIfMissing(sqlite3* db, const std::string& path) {
    if (sqlite3_db_readonly(db, "main") == 1 || TableExists(db)) {
        return;
    }
    AddTable(db, kAddTableSql, path);
}

ReportSeenWriter::ReportSeenWriter(sqlite3* db) : db_(db) {}
ReportSeenWriter::~ReportSeenWriter() = default;

void ReportSeenWriter::Record(std::string_view mac, std::string_view address,
                              std::string_view time) {
    if (!checked_) {
        // Prepared when first needed, as the history's own statement.
        if (IpSeen::TableExists(db_)) {
            upsert_ = std::make_unique<SqliteStatement>(db_, kReportSql);
        }
        checked_ = true;
    }
    if (!upsert_) {
        return;
    }
    std::string key = inventory::SeenKeyOfMac(mac);
    if (key.empty()) {
        // A report under the all-zero MAC counts for its address, as an
        // answer would.
        key = inventory::SeenKeyOfAddress(address);
    }
    const SqliteStatement::ResetOnExit reset(*upsert_);
    upsert_->BindText(1, key);
    upsert_->BindText(2, time);
    upsert_->BindText(3, address);
    upsert_->Step();
}

}  // namespace vantrel::store
