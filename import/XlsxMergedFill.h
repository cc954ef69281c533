#pragma once
// The merged ranges over the row being read, in time linear in the rows
// and the ranges: sorted by their first row, they enter as the rows reach
// them and leave after their last row or, once their first cell was read
// empty, at once. A cell covered by two ranges (which Excel never writes)
// means a damaged file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "XlsxMergedRanges.h"

namespace vantrel::import {

class MergedFill {
  public:
    explicit MergedFill(std::vector<MergedRange> ranges);

    // Moves on to `row`, past the row before. False when two ranges cover
    // one of its cells.
    bool EnterRow(std::size_t row);

    // The value a cell of the current row read as `text` shows (UTF-8):
    // the first cell of a range gives the range its value, a range's other
    // empty cells take it. `bytes` is what the cell adds to its row.
    const std::string& CellValue(std::size_t column, const std::string& text) {
        if (column >= cover_.size() || cover_[column] == 0) {
            return text;
        }
        const std::size_t i = cover_[column] - 1;
        if (row_ == ranges_[i].firstRow && column == ranges_[i].firstColumn) {
            values_[i] = text;
            return text;
        }
        return text.empty() ? values_[i] : text;
    }

    // Fills the empty cells of `cells` that ranges begun in a row above
    // cover, the cells the file leaves out included. Adds the bytes of
    // what it fills to `rowBytes` and stops, returning false, once they
    // pass `maxRowBytes`.
    bool FillRow(std::vector<std::string>& cells, std::size_t& rowBytes,
                 std::size_t maxRowBytes) const;

  private:
    void Cover(std::size_t range, std::uint32_t value);

    std::vector<MergedRange> ranges_;   // by first row
    std::vector<std::string> values_;   // of each range's first cell
    std::size_t next_ = 0;              // the first range not yet entered
    std::vector<std::size_t> active_;   // ranges over the current row
    std::vector<std::uint32_t> cover_;  // per column: range + 1, or 0
    std::size_t row_ = 0;
    bool overlap_ = false;
};

}  // namespace vantrel::import
