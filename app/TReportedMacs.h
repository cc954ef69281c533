#pragma once
// Which hosts of the online list have a MAC that table ip lacks: PCs that
// have never sent a report. MACs compare without regard to case, with ".",
// ":" and "-" alike.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;

namespace vantrel::store {
class TADOConnection;
class TSqliteStatement;
}  // namespace vantrel::store

namespace vantrel::app {

class TReportedMacs {
  public:
    explicit TReportedMacs(store::TADOConnection& connection);
    ~TReportedMacs();
    TReportedMacs(const TReportedMacs&) = delete;
    TReportedMacs& operator=(const TReportedMacs&) = delete;

    // Whether table ip holds `mac`: one look-up in its mac index per
    // separator. Throws StoreError when the table cannot be read.
    bool InTable(const std::string& mac) const;

    // Whether row `row` of the online list, showing `mac`, is a host whose
    // MAC table ip lacks; false when the table cannot be read. The answer is
    // kept per row until the row's MAC changes or Refresh, so that drawing a
    // cell costs one comparison and each answer one look-up.
    bool IsUnreportedRow(std::size_t row, const std::string& mac) const;
    // Every row is looked up anew when next drawn: a report was stored.
    void Refresh() { ++generation_; }

  private:
    struct RowAnswer {
        std::string mac;
        unsigned generation = 0;
        bool unreported = false;
    };

    store::TADOConnection& connection_;
    // The look-up, prepared once per database handle; used under the
    // connection's lock only.
    mutable std::unique_ptr<store::TSqliteStatement> lookup_;
    mutable sqlite3* preparedFor_ = nullptr;
    // 0 is never current.
    unsigned generation_ = 1;
    mutable std::vector<RowAnswer> rows_;
};

}  // namespace vantrel::app
