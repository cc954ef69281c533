#include "SoftwareTables.h"

#include <sqlite3.h>

#include "IpHistory.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace {

// As store/schema.sql declares them.
constexpr const char* kAddTablesSql =
    "BEGIN IMMEDIATE;"
    "CREATE TABLE IF NOT EXISTS ip_software (\n"
    "    mac         TEXT COLLATE NOCASE,\n"
    "    name        TEXT,\n"
    "    version     TEXT,\n"
    "    publisher   TEXT,\n"
    "    installdate TEXT,\n"
    "    bits        TEXT,\n"
    "    scope       TEXT,\n"
    "    app         INTEGER\n"
    ");"
    "CREATE INDEX IF NOT EXISTS ip_software_mac ON ip_software (mac);"
    "CREATE INDEX IF NOT EXISTS ip_software_name ON ip_software (name);"
    "CREATE TABLE IF NOT EXISTS ip_softlist (\n"
    "    mac      TEXT PRIMARY KEY COLLATE NOCASE,\n"
    "    digest   TEXT,\n"
    "    listtime TEXT,\n"
    "    programs INTEGER\n"
    ");"
    "CREATE TABLE IF NOT EXISTS ip_licence (\n"
    "    id      INTEGER PRIMARY KEY,\n"
    "    pattern TEXT UNIQUE,\n"
    "    seats   INTEGER,\n"
    "    note    TEXT\n"
    ");"
    "COMMIT";

bool Has(sqlite3* db, const char* type, const char* name) {
    SqliteStatement find(db, "SELECT 1 FROM sqlite_master WHERE type = ?1 AND name = ?2");
    find.BindText(1, type);
    find.BindText(2, name);
    return find.Step();
}

}  // namespace

bool SoftwareTables::Present(sqlite3* db) {
    return Has(db, "table", "ip_software") && Has(db, "table", "ip_softlist") &&
           Has(db, "table", "ip_licence");
}

void SoftwareTables::AddTablesIfMissing(sqlite3* db, const std::string& path) {
    if (sqlite3_db_readonly(db, "main") == 1) {
        return;
    }
    if (Present(db) && Has(db, "index", "ip_software_mac") &&
        Has(db, "index", "ip_software_name")) {
        return;
    }
    AddTable(db, kAddTablesSql, path);
}

}  // namespace vantrel::store
