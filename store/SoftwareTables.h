#pragma once
// The tables of installed programs and licences (ip_software, ip_softlist,
// ip_licence; store/schema.sql declares them): added to an older file at
// open, as the change history is.

#include <string>

struct sqlite3;

namespace vantrel::store {

class SoftwareTables {
  public:
    // Adds the tables and indexes a file lacks, in one transaction. A file
    // that cannot be written is left as it is; other failures throw
    // StoreError naming `path`. The caller holds the connection's lock.
    static void AddTablesIfMissing(sqlite3* db, const std::string& path);
    // Whether the file has all three (a read-only older file may not).
    static bool Present(sqlite3* db);
};

}  // namespace vantrel::store
