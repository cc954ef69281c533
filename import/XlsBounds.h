#pragma once
// Bounds of the .xls reader besides the shared ones of ImportLimits.h, and
// what the import says when a sheet passes them. Rows cost what their
// cells hold: a cell far to the right pads only the row handed out.

#include <cstddef>
#include <string>

namespace vantrel::import {

// Bytes of all the cells of one sheet, merged fills included, counted as
// they are read. Sheets whose cells come out of row order are held whole
// before the first row is handed out, and then each cell also counts what
// holding it takes.
inline constexpr std::size_t kMaxSheetBytes = 256 * 1024 * 1024;
// Merged ranges of one sheet.
inline constexpr std::size_t kMaxMergedRanges = 65536;

namespace messages {

// Column letters as Excel shows them: 0 is A, 26 is AA.
std::string ColumnName(std::size_t column);
std::string RowTooLarge(std::size_t row);
std::string SheetTooLarge(std::size_t row);
std::string TooManyMergedRanges(const std::string& path);
// A cell whose value the file lacks: a formula saved without its result,
// or a text the table of shared strings does not hold.
std::string UnreadableCell(std::size_t row, std::size_t column, bool formula);
std::string OutOfMemory(const std::string& path);

}  // namespace messages

}  // namespace vantrel::import
