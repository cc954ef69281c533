#include "XlsxMergedFill.h"

#include <algorithm>

#include "ImportLimits.h"

namespace vantrel::import {

MergedFill::MergedFill(std::vector<MergedRange> ranges)
    : ranges_(std::move(ranges)), values_(ranges_.size()) {
    std::stable_sort(
        ranges_.begin(), ranges_.end(),
        [](const MergedRange& a, const MergedRange& b) { return a.firstRow < b.firstRow; });
    if (!ranges_.empty()) {
        cover_.assign(kMaxColumns, 0);
    }
}

void MergedFill::Cover(std::size_t range, std::uint32_t value) {
    const MergedRange& r = ranges_[range];
    const std::size_t last = std::min(r.lastColumn, kMaxColumns - 1);
    for (std::size_t c = r.firstColumn; c <= last; ++c) {
        if (value != 0 && cover_[c] != 0) {
            overlap_ = true;
        } else if (value != 0 || cover_[c] == range + 1) {
            cover_[c] = value;
        }
    }
}

bool MergedFill::EnterRow(std::size_t row) {
    row_ = row;
    if (ranges_.empty()) {
        return true;
    }
    // Ranges past their last row, and those whose first cell was read
    // empty (they have nothing to spread), leave.
    std::erase_if(active_, [&](std::size_t i) {
        const bool done = ranges_[i].lastRow < row || values_[i].empty();
        if (done) {
            Cover(i, 0);
            values_[i].clear();
            values_[i].shrink_to_fit();
        }
        return done;
    });
    for (; next_ < ranges_.size() && ranges_[next_].firstRow <= row; ++next_) {
        if (ranges_[next_].lastRow >= row && ranges_[next_].firstRow == row) {
            active_.push_back(next_);
            Cover(next_, static_cast<std::uint32_t>(next_ + 1));
        }
    }
    return !overlap_;
}

bool MergedFill::FillRow(std::vector<std::string>& cells, std::size_t& rowBytes,
                         std::size_t maxRowBytes) const {
    for (const std::size_t i : active_) {
        const MergedRange& r = ranges_[i];
        if (row_ <= r.firstRow || values_[i].empty()) {
            continue;
        }
        const std::size_t last = std::min(r.lastColumn, kMaxColumns - 1);
        if (cells.size() <= last) {
            cells.resize(last + 1);
        }
        for (std::size_t c = r.firstColumn; c <= last; ++c) {
            if (cells[c].empty()) {
                rowBytes += values_[i].size();
                if (rowBytes > maxRowBytes) {
                    return false;
                }
                cells[c] = values_[i];
            }
        }
    }
    return true;
}

}  // namespace vantrel::import
