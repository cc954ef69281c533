#include "IpHistory.h"

#include <sqlite3.h>

#include "GbkConvert.h"
#include "HistoryWriter.h"
#include "InventoryDatabase.h"
#include "PcKey.h"
#include "SqliteStatement.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

// As store/schema.sql declares them, so that a file given the table here
// holds the same definition as a file made from the schema.
constexpr const char* kAddTableSql =
    "BEGIN IMMEDIATE;"
    "CREATE TABLE IF NOT EXISTS ip_history (\n"
    "    id         INTEGER PRIMARY KEY,\n"
    "    mac        TEXT COLLATE NOCASE,\n"
    "    field      TEXT,\n"
    "    oldvalue   TEXT,\n"
    "    newvalue   TEXT,\n"
    "    changetime TEXT,\n"
    "    address    TEXT\n"
    ");"
    "CREATE INDEX IF NOT EXISTS ip_history_mac ON ip_history (mac);"
    "COMMIT";

bool Exists(sqlite3* db, std::string_view type, std::string_view name) {
    SqliteStatement find(db, "SELECT 1 FROM sqlite_master WHERE type = ?1 AND name = ?2");
    find.BindText(1, type);
    find.BindText(2, name);
    return find.Step();
}

// Failures that mean the file, its folder or its mount cannot be written.
bool IsNotWritable(int code) {
    switch (code & 0xFF) {
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return true;
        default:
            return false;
    }
}

FieldValue ValueAt(const SqliteStatement& row, int column) {
    if (row.IsNull(column)) {
        return std::nullopt;
    }
    return std::string(row.Bytes(column));
}

}  // namespace

std::string HistoryKey(std::string_view mac, std::string_view ip, std::string_view pcname) {
    return inventory::PcKeyOf(mac, ip, pcname);
}

IpHistory::IpHistory(InventoryDatabase& connection) : connection_(connection) {}

bool IpHistory::HasHistory(std::string_view mac) const {
    auto guard = connection_.Lock();
    if (!connection_.Connected()) {
        return false;
    }
    sqlite3* db = connection_.Handle();
    if (!Exists(db, "table", "ip_history")) {
        return false;
    }
    SqliteStatement any(db, "SELECT 1 FROM ip_history WHERE mac = ?1 LIMIT 1");
    any.BindText(1, mac);
    return any.Step();
}

IpHistory::Page IpHistory::HistoryOf(std::string_view mac, std::size_t limit,
                                     std::size_t maxBytes) const {
    auto guard = connection_.Lock();
    sqlite3* db = connection_.Handle();
    Page page;
    if (!Exists(db, "table", "ip_history")) {
        return page;
    }
    // Newest first by the order of recording: the clock may go back.
    SqliteStatement read(db,
                         "SELECT field, oldvalue, newvalue, changetime, address FROM ip_history "
                         "WHERE mac = ?1 ORDER BY id DESC LIMIT ?2");
    read.BindText(1, mac);
    read.BindInt64(2, static_cast<std::int64_t>(limit) + 1);
    std::size_t bytes = 0;
    while (read.Step()) {
        bytes += read.Bytes(1).size() + read.Bytes(2).size();
        if (page.entries.size() == limit || (!page.entries.empty() && bytes > maxBytes)) {
            page.more = true;
            break;
        }
        HistoryEntry entry;
        entry.column = std::string(read.Bytes(0));
        entry.oldValue = ValueAt(read, 1);
        entry.oldValueCut = entry.oldValue && HistoryWriter::IsCut(*entry.oldValue);
        entry.newValue = ValueAt(read, 2);
        entry.time = std::string(read.Bytes(3));
        entry.address = std::string(read.Bytes(4));
        page.entries.push_back(std::move(entry));
    }
    return page;
}

void IpHistory::AddTableIfMissing(sqlite3* db, const std::string& path) {
    if (sqlite3_db_readonly(db, "main") == 1) {
        return;
    }
    if (Exists(db, "table", "ip_history") && Exists(db, "index", "ip_history_mac")) {
        return;
    }
    AddTable(db, kAddTableSql, path);
}

void AddTable(sqlite3* db, const char* sql, const std::string& path) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    if (rc == SQLITE_OK) {
        return;
    }
    std::string message = error != nullptr ? error : sqlite3_errstr(rc);
    sqlite3_free(error);
    if (sqlite3_get_autocommit(db) == 0) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    if (!IsNotWritable(rc)) {
        throw StoreError(message + " (" + text::Utf8ToGbk(path) + ")");  // messages are GBK
    }
}

}  // namespace vantrel::store
