#pragma once
// Tables ip_device, ip_monitor and ip_knownmac (schema.sql describes them):
// added to an older file at open, as ip_history is.

#include <string>
#include <string_view>

struct sqlite3;

namespace vantrel::store {

class IdentityTables {
  public:
    // Adds whichever of the three tables and their indexes the file lacks,
    // in one transaction, touching nothing else. A file that cannot be
    // written is left as it is; other failures throw StoreError naming
    // `path`. The caller holds the connection's lock.
    static void AddTablesIfMissing(sqlite3* db, const std::string& path);
};

// Whether the file has table `name`.
bool HasTable(sqlite3* db, std::string_view name);

// Removes the rows of every keyed table that go with a PC's row
// (KeyedTables.h) under `key`, unless a row of ip still has that key (two
// rows may share a MAC). Tables the file lacks are skipped. Runs inside the
// caller's transaction; throws StoreError.
void DropKeyedRows(sqlite3* db, std::string_view key);

// Whether a row of ip has the history key `key` (HistoryKey).
bool KeyHasRow(sqlite3* db, std::string_view key);

}  // namespace vantrel::store
