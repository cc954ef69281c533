#include "ReportedMacs.h"

#include <exception>

namespace vantrel::app {

bool ReportedMacs::IsUnreportedRow(std::size_t row, const std::string& mac) const {
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
