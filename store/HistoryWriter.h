#pragma once
// Records what the update of a report overwrites, as rows of ip_history
// written in the report's own transaction. Used under the connection's
// lock, on the handle it was made for.

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
    explicit HistoryWriter(sqlite3* db);

    // What the update of `report` is about to change in the rows with its
    // MAC: the columns whose stored bytes differ from the report's value,
    // in row and column order, each distinct change once. A null value and
    // the empty text count as the same: neither shows anything.
    std::vector<ReportChange> ChangesOf(const HardwareReport& report);
    // The same for the one row `rowid` (a report without a MAC).
    std::vector<ReportChange> ChangesOfRow(const HardwareReport& report, std::int64_t rowid);

    // One history row per change, under `key` (HistoryKey of the row).
    void Record(std::string_view key, std::string_view address, std::string_view time,
                const std::vector<ReportChange>& changes);

  private:
    sqlite3* db_;
    SqliteStatement oldValues_;
    SqliteStatement rowValues_;
    // Prepared when first needed: a file that cannot be written may lack
    // the table, and its reports must fail on their own write first.
    std::optional<SqliteStatement> add_;
};

// Local time as the history keeps it: "YYYY-MM-DD HH:MM:SS".
std::string HistoryTime(const std::tm& local);

}  // namespace vantrel::store
