#include "TReportedMacs.h"

#include <exception>

#include "MacText.h"
#include "TADOConnection.h"
#include "TSqliteStatement.h"

namespace vantrel::app {

namespace {
// Column mac is indexed; the collation keeps the index usable and makes the
// comparison ignore case also in a table made without it.
constexpr char kLookupSql[] = "select 1 from ip where mac collate nocase in (?1, ?2, ?3) limit 1";
}  // namespace

TReportedMacs::TReportedMacs(store::TADOConnection& connection) : connection_(connection) {}

TReportedMacs::~TReportedMacs() {
    if (lookup_) {
        auto guard = connection_.Lock();
        lookup_.reset();
    }
}

bool TReportedMacs::InTable(const std::string& mac) const {
    auto guard = connection_.Lock();
    sqlite3* db = connection_.Handle();
    if (!lookup_ || preparedFor_ != db) {
        lookup_.reset();
        lookup_ = std::make_unique<store::TSqliteStatement>(db, kLookupSql);
        preparedFor_ = db;
    }
    int parameter = 1;
    for (const char separator : {'.', ':', '-'}) {
        lookup_->BindText(parameter++, scan::WithMacSeparator(mac, separator));
    }
    bool found = false;
    try {
        found = lookup_->Step();
    } catch (...) {
        lookup_->Reset();
        throw;
    }
    // Reset ends the read at once, so that no report's write waits on it.
    lookup_->Reset();
    return found;
}

bool TReportedMacs::IsUnreportedRow(std::size_t row, const std::string& mac) const {
    if (rows_.size() <= row) {
        rows_.resize(row + 1);
    }
    RowAnswer& answer = rows_[row];
    if (answer.generation != generation_ || answer.mac != mac) {
        answer.mac = mac;
        answer.generation = generation_;
        try {
            answer.unreported = !mac.empty() && !InTable(mac);
        } catch (const std::exception&) {
            // No database open, or no table ip: nothing to compare with.
            answer.unreported = false;
        }
    }
    return answer.unreported;
}

}  // namespace vantrel::app
