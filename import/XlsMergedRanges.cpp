#include "XlsMergedRanges.h"

#include <algorithm>

#include "ImportLimits.h"

namespace vantrel::import {

void XlsMergedRanges::Add(Range range) {
    if (range.firstRow > range.lastRow || range.firstColumn > range.lastColumn ||
        range.firstColumn >= kMaxColumns) {
        return;
    }
    range.lastColumn =
        static_cast<std::uint16_t>(std::min<std::size_t>(range.lastColumn, kMaxColumns - 1));
    if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn) {
        return;
    }
    ranges_.push_back(range);
    lastRow_ = std::max<std::size_t>(lastRow_, range.lastRow);
    sorted_ = false;
}

void XlsMergedRanges::Fill(std::size_t row, std::vector<std::string>& cells,
                           const std::function<void(std::size_t)>& charge) {
    if (!sorted_) {
        std::stable_sort(ranges_.begin(), ranges_.end(),
                         [](const Range& a, const Range& b) { return a.firstRow < b.firstRow; });
        sorted_ = true;
    }
    for (; next_ < ranges_.size() && ranges_[next_].firstRow <= row; ++next_) {
        const Range& range = ranges_[next_];
        if (range.firstRow == row && range.firstColumn < cells.size() &&
            !cells[range.firstColumn].empty()) {
            active_.push_back(Active{range, cells[range.firstColumn]});
        }
    }
    for (const Active& active : active_) {
        const Range& range = active.range;
        for (std::size_t c = range.firstColumn; c <= range.lastColumn; ++c) {
            if (row == range.firstRow && c == range.firstColumn) {
                continue;
            }
            if (cells.size() <= c) {
                cells.resize(c + 1);
            }
            if (cells[c].empty()) {
                charge(active.value.size());
                cells[c] = active.value;
            } else {
                charge(1);
            }
        }
    }
    std::erase_if(active_, [row](const Active& active) { return active.range.lastRow <= row; });
}

}  // namespace vantrel::import
