#pragma once
// Writes the list of programs a report brought, in the report's own
// transaction: the PC's rows of ip_software are replaced and its row of
// ip_softlist updated, unless the list's digest equals the stored one, in
// which case nothing is written. Each change against a list stored before
// becomes a row of ip_history (field "software"); a PC's first list is no
// change. Used under the connection's lock, on the handle it was made for.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SoftwareList.h"
#include "SqliteStatement.h"

struct sqlite3;

namespace vantrel::store {

class HistoryWriter;
struct HardwareReport;
struct WrittenRow;

class SoftwareWriter {
  public:
    // Changes one list writes into the history at most; the rest are
    // counted in one more entry. A reinstalled PC must not push its
    // hardware changes out of the history's bound.
    static constexpr std::size_t kMaxHistoryEntries = 100;

    explicit SoftwareWriter(sqlite3* db);

    // Stores `list` (when not null) for every row the report wrote: under
    // the report's MAC, or for rows without one under each row's key.
    void Store(const HardwareReport& report, const std::vector<WrittenRow>& rows,
               const SoftwareList* list, std::string_view address, std::string_view time,
               HistoryWriter& history);

    // Stores `list` under `key`; whether anything was written.
    bool Replace(std::string_view key, const SoftwareList& list, std::string_view address,
                 std::string_view time, HistoryWriter& history);

  private:
    struct Statements {
        explicit Statements(sqlite3* db);
        SqliteStatement digest;
        SqliteStatement programs;
        SqliteStatement remove;
        SqliteStatement add;
        SqliteStatement listed;
    };
    sqlite3* db_;
    // Prepared when first needed: a file that cannot be written may lack
    // the tables, and its reports must fail on their own write first.
    std::optional<Statements> statements_;
};

}  // namespace vantrel::store
