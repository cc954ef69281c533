#pragma once
// The change history of table ip, kept in table ip_history: one row for
// every value a report overwrote with a different one. Reports add to it
// (ReportStore), which also drops each MAC's oldest entries beyond a bound
// and keeps only the start of very long values (HistoryWriter). The window reads one PC's
// history when it is asked for, so none of it is held in memory.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "StoreTypes.h"

struct sqlite3;

namespace vantrel::store {

class InventoryDatabase;

struct HistoryEntry {
    std::string column;   // of ip, as the program names it
    FieldValue oldValue;  // nullopt: the row held no value
    FieldValue newValue;
    bool oldValueCut = false;  // only the start of a long value was kept
    std::string time;          // local time, "YYYY-MM-DD HH:MM:SS"
    std::string address;       // the report came from there
};

// The key a row's history is kept under: its MAC. A row without one (a PC
// whose report came without a MAC) is keyed by its address and PC name,
// which is how such reports find their row; the key starts with a text no
// MAC can hold, so it never meets a real MAC's history.
std::string HistoryKey(std::string_view mac, std::string_view ip, std::string_view pcname);

class IpHistory {
  public:
    explicit IpHistory(InventoryDatabase& connection);

    // Whether any change is recorded for the MAC, compared as reports
    // compare MACs. False when the store is not open or the file has no
    // history. Takes the connection's lock.
    bool HasHistory(std::string_view mac) const;

    struct Page {
        std::vector<HistoryEntry> entries;  // newest first
        bool more = false;                  // older entries were left out
    };
    // The newest changes recorded for the MAC: at most `limit` of them, and
    // no more once their values hold `maxBytes` (the newest one always
    // comes), since a report's values may be as long as its request. Empty
    // when the file has no history. Throws StoreError when the store is not
    // open or the read fails. Takes the connection's lock.
    Page HistoryOf(std::string_view mac, std::size_t limit,
                   std::size_t maxBytes = kMaxPageBytes) const;
    static constexpr std::size_t kMaxPageBytes = 16 * 1024 * 1024;

    // Adds table ip_history and its index to a file that lacks them and
    // touches nothing else. A file that cannot be written (read-only file,
    // folder or mount) is left as it is and goes on without a history;
    // other failures throw StoreError naming `path`. The caller holds the
    // connection's lock.
    static void AddTableIfMissing(sqlite3* db, const std::string& path);

  private:
    InventoryDatabase& connection_;
};

// Runs `sql`, which adds a table to an older file. A file that cannot be
// written is left as it is (the store's open reports that); any other failure
// throws StoreError naming `path`.
void AddTable(sqlite3* db, const char* sql, const std::string& path);

}  // namespace vantrel::store
