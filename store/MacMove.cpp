#include "MacMove.h"

#include "IdentityTables.h"
#include "IpSeen.h"
#include "KeyedTables.h"
#include "LastSeen.h"
#include "MacText.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace {

constexpr std::string_view kNoMacPrefix = "no-mac\t";

void MoveRows(sqlite3* db, std::string_view oldKey, std::string_view newMac) {
    if (oldKey.substr(0, kNoMacPrefix.size()) != kNoMacPrefix) {
        SqliteStatement update(db, "UPDATE ip SET mac = ?1 WHERE mac = ?2");
        update.BindText(1, newMac);
        update.BindText(2, oldKey);
        update.Step();
        return;
    }
    const std::string_view rest = oldKey.substr(kNoMacPrefix.size());
    const std::size_t tab = rest.find('\t');
    SqliteStatement update(db,
                           "UPDATE ip SET mac = ?1 WHERE (mac IS NULL OR mac = '') "
                           "AND coalesce(ip, '') = ?2 AND coalesce(pcname, '') = ?3");
    update.BindText(1, newMac);
    update.BindText(2, rest.substr(0, tab));
    update.BindText(3, tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1));
    update.Step();
}

// The old MAC's sightings and report time under the new MAC's key; where
// the new key has its own record, each part keeps the newer of the two.
void MoveSeen(sqlite3* db, std::string_view oldKey, std::string_view newMac) {
    const std::string from = inventory::SeenKeyOfMac(oldKey);
    const std::string to = inventory::SeenKeyOfMac(newMac);
    if (from.empty() || to.empty() || from == to || !IpSeen::TableExists(db)) {
        return;
    }
    auto newer = [](const char* column, const char* time) {
        return std::string(column) + " = CASE WHEN coalesce(excluded." + time +
               ", '') > coalesce(" + time + ", '') THEN excluded." + column + " ELSE " + column +
               " END";
    };
    // Every part compares the times the new key's record held before.
    const std::string sql =
        "INSERT INTO ip_seen (seenkey, onlinetime, address, netbiosname, sweeptime, "
        "reporttime, reportaddress) SELECT ?1, onlinetime, address, netbiosname, sweeptime, "
        "reporttime, reportaddress FROM ip_seen WHERE seenkey = ?2 "
        "ON CONFLICT (seenkey) DO UPDATE SET " +
        newer("address", "onlinetime") + ", " + newer("netbiosname", "onlinetime") + ", " +
        newer("sweeptime", "onlinetime") + ", " + newer("reportaddress", "reporttime") + ", " +
        newer("onlinetime", "onlinetime") + ", " + newer("reporttime", "reporttime");
    SqliteStatement merge(db, sql);
    merge.BindText(1, to);
    merge.BindText(2, from);
    merge.Step();
    SqliteStatement drop(db, "DELETE FROM ip_seen WHERE seenkey = ?1");
    drop.BindText(1, from);
    drop.Step();
}

}  // namespace

std::vector<std::string> MacMove::TablesMoved(sqlite3* db) {
    std::vector<std::string> tables;
    for (const KeyedTable& table : kKeyedTables) {
        if (HasTable(db, table.name)) {
            tables.emplace_back(table.name);
        }
    }
    return tables;
}

bool MacMove::Moved(sqlite3* db, std::string_view oldMac, std::string_view newMac) {
    const auto bits = inventory::MacBits(oldMac);
    if (!bits || !HasTable(db, "ip_knownmac")) {
        return false;
    }
    SqliteStatement find(db, "SELECT 1 FROM ip_knownmac WHERE othermac = ?1 AND mac = ?2");
    find.BindText(1, inventory::MacTextOf(*bits));
    find.BindText(2, newMac);
    return find.Step();
}

void MacMove::Move(sqlite3* db, std::string_view oldKey, std::string_view newMac) {
    MoveRows(db, oldKey, newMac);
    for (const std::string& table : TablesMoved(db)) {
        // A row the new key already has in a table that holds one per key
        // gives way to the PC's own.
        SqliteStatement move(db, "UPDATE OR REPLACE " + table + " SET mac = ?1 WHERE mac = ?2");
        move.BindText(1, newMac);
        move.BindText(2, oldKey);
        move.Step();
    }
    MoveSeen(db, oldKey, newMac);
    const auto bits = inventory::MacBits(oldKey);
    if (bits && !inventory::IsPlaceholderMac(*bits) && HasTable(db, "ip_knownmac")) {
        SqliteStatement keep(db,
                             "INSERT INTO ip_knownmac (othermac, mac) VALUES (?1, ?2) "
                             "ON CONFLICT (othermac) DO UPDATE SET mac = excluded.mac");
        keep.BindText(1, inventory::MacTextOf(*bits));
        keep.BindText(2, newMac);
        keep.Step();
    }
}

}  // namespace vantrel::store
