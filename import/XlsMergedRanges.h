#pragma once
// The merged ranges of an .xls sheet, indexed by their first row, so that
// filling them costs one look per range and row it covers: each cell of a
// range that the file leaves empty takes the value of its first cell.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vantrel::import {

class XlsMergedRanges {
  public:
    struct Range {
        std::uint32_t firstRow, lastRow;
        std::uint16_t firstColumn, lastColumn;
    };

    // A range as the file gives it; columns past the bound of a row are
    // left out, a range of one cell is dropped.
    void Add(Range range);
    std::size_t Count() const { return ranges_.size(); }
    // The last row a range covers (0 when there is none).
    std::size_t LastRow() const { return lastRow_; }

    // Fills row `row` (rows come in order, none left out): ranges that
    // start there take their value from `cells`, and the empty cells of
    // every range with a value are filled with it. `charge` is told the
    // bytes of each cell it looks at (at least 1), and may throw.
    void Fill(std::size_t row, std::vector<std::string>& cells,
              const std::function<void(std::size_t)>& charge);

  private:
    struct Active {
        Range range;
        std::string value;
    };

    std::vector<Range> ranges_;
    bool sorted_ = false;
    std::size_t next_ = 0;  // the first range not yet started
    std::vector<Active> active_;
    std::size_t lastRow_ = 0;
};

}  // namespace vantrel::import
