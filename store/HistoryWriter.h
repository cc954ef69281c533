#pragma once
// Records what the update of a report overwrites, as rows of ip_history
// written in the report's own transaction. Used under the connection's
// lock, on the handle it was made for.
//
// The history is bounded, so that a PC that keeps reporting (or a peer that
// keeps sending long values) cannot fill the disk: each MAC keeps its
// newest kMaxEntriesPerMac entries, the oldest going in the transaction that
// adds new ones, and an old or new value longer than kMaxValueBytes is
// stored cut, ending in a mark that says so. Table ip itself keeps the
// whole value.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "HardwareReport.h"
#include "SqliteStatement.h"

struct sqlite3;

namespace vantrel::store {

class HistoryWriter {
  public:
    static constexpr std::size_t kMaxEntriesPerMac = 500;
    static constexpr std::size_t kMaxValueBytes = 4096;

    explicit HistoryWriter(sqlite3* db);

    // What the update of `report` is about to change in the rows with its
    // MAC: the columns whose stored bytes differ from the report's value,
    // in row and column order, each distinct change once, leaving out the
    // columns kept out of the history (IpColumns.h). A null value and the
    // empty text count as the same: neither shows anything. Returns
    // whether any row has the MAC, so that this one read also decides
    // between update and insert.
    bool ChangesOf(const HardwareReport& report, std::vector<ReportChange>& changes);
    // The same for the one row `rowid` (a report without a MAC).
    std::vector<ReportChange> ChangesOfRow(const HardwareReport& report, std::int64_t rowid);

    // One history row per change, under `key` (HistoryKey of the row: the
    // MAC, or for a row without one its address and PC name), values cut
    // as CutValue does, changes of columns kept out of the history left
    // out; then the key's entries beyond kMaxEntriesPerMac go, oldest
    // first.
    void Record(std::string_view key, std::string_view address, std::string_view time,
                const std::vector<ReportChange>& changes);

    // The value as the history stores it: whole when it has at most
    // kMaxValueBytes, otherwise its first characters and the mark
    // "…（已截断）", kMaxValueBytes in all and never splitting a
    // double-byte character.
    static std::string_view CutValue(std::string_view value, std::string& buffer);
    // Whether a value read back from the history is one CutValue cut.
    static bool IsCut(std::string_view stored);

  private:
    sqlite3* db_;
    SqliteStatement oldValues_;
    SqliteStatement rowValues_;
    // Prepared when first needed: a file that cannot be written may lack
    // the table, and its reports must fail on their own write first.
    std::optional<SqliteStatement> add_;
    std::optional<SqliteStatement> prune_;
};

}  // namespace vantrel::store
