#include "IdentityTables.h"

#include <sqlite3.h>

#include "IpHistory.h"
#include "KeyedTables.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace {

// As store/schema.sql declares them.
constexpr const char* kAddTablesSql =
    "BEGIN IMMEDIATE;"
    "CREATE TABLE IF NOT EXISTS ip_device (\n"
    "    mac           TEXT PRIMARY KEY COLLATE NOCASE,\n"
    "    maker         TEXT,\n"
    "    model         TEXT,\n"
    "    serial        TEXT,\n"
    "    boardserial   TEXT,\n"
    "    chassisserial TEXT,\n"
    "    assettag      TEXT,\n"
    "    uuid          TEXT,\n"
    "    reporttime    TEXT\n"
    ");"
    "CREATE INDEX IF NOT EXISTS ip_device_uuid ON ip_device (uuid);"
    "CREATE INDEX IF NOT EXISTS ip_device_serial ON ip_device (serial);"
    "CREATE TABLE IF NOT EXISTS ip_monitor (\n"
    "    id           INTEGER PRIMARY KEY,\n"
    "    mac          TEXT COLLATE NOCASE,\n"
    "    edid         BLOB,\n"
    "    pnp          TEXT,\n"
    "    product      INTEGER,\n"
    "    serialnumber TEXT,\n"
    "    serialtext   TEXT,\n"
    "    modelname    TEXT,\n"
    "    firstseen    TEXT,\n"
    "    lastseen     TEXT,\n"
    "    connected    INTEGER\n"
    ");"
    "CREATE INDEX IF NOT EXISTS ip_monitor_mac ON ip_monitor (mac);"
    "CREATE TABLE IF NOT EXISTS ip_knownmac (\n"
    "    othermac TEXT PRIMARY KEY COLLATE NOCASE,\n"
    "    mac      TEXT COLLATE NOCASE\n"
    ");"
    "CREATE INDEX IF NOT EXISTS ip_knownmac_mac ON ip_knownmac (mac);"
    "COMMIT";

constexpr std::string_view kNoMacPrefix = "no-mac\t";

bool HasIndex(sqlite3* db, std::string_view name) {
    SqliteStatement find(db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?1");
    find.BindText(1, name);
    return find.Step();
}

}  // namespace

bool HasTable(sqlite3* db, std::string_view name) {
    SqliteStatement find(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    find.BindText(1, name);
    return find.Step();
}

void IdentityTables::AddTablesIfMissing(sqlite3* db, const std::string& path) {
    if (sqlite3_db_readonly(db, "main") == 1) {
        return;
    }
    bool complete = true;
    for (std::string_view table : {"ip_device", "ip_monitor", "ip_knownmac"}) {
        complete = complete && HasTable(db, table);
    }
    for (std::string_view index :
         {"ip_device_uuid", "ip_device_serial", "ip_monitor_mac", "ip_knownmac_mac"}) {
        complete = complete && HasIndex(db, index);
    }
    if (!complete) {
        AddTable(db, kAddTablesSql, path);
    }
}

bool KeyHasRow(sqlite3* db, std::string_view key) {
    if (key.substr(0, kNoMacPrefix.size()) != kNoMacPrefix) {
        SqliteStatement find(db, "SELECT 1 FROM ip WHERE mac = ?1 LIMIT 1");
        find.BindText(1, key);
        return find.Step();
    }
    // "no-mac", tab, address, tab, PC name: the MAC-less rows with both.
    const std::string_view rest = key.substr(kNoMacPrefix.size());
    const std::size_t tab = rest.find('\t');
    if (tab == std::string_view::npos) {
        return false;
    }
    SqliteStatement find(
        db,
        "SELECT 1 FROM ip WHERE (mac IS NULL OR mac = '') AND coalesce(ip, '') = ?1 "
        "AND coalesce(pcname, '') = ?2 LIMIT 1");
    find.BindText(1, rest.substr(0, tab));
    find.BindText(2, rest.substr(tab + 1));
    return find.Step();
}

void DropKeyedRows(sqlite3* db, std::string_view key) {
    if (KeyHasRow(db, key)) {
        return;
    }
    for (const KeyedTable& table : kKeyedTables) {
        if (!table.goesWithRow || !HasTable(db, table.name)) {
            continue;
        }
        SqliteStatement drop(db, "DELETE FROM " + std::string(table.name) + " WHERE mac = ?1");
        drop.BindText(1, key);
        drop.Step();
    }
}

}  // namespace vantrel::store
