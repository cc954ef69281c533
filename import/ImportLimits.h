#pragma once
// Bounds that keep a hostile or broken file from taking the program's
// memory or time. A file past one of them is refused as a whole.

#include <cstddef>

namespace vantrel::import {

// Columns of one row; a title row with more is not a list of PCs.
inline constexpr std::size_t kMaxColumns = 1024;
// Bytes of one cell as the file holds it. Far above what any column may
// take (see kMaxValueBytes), so a longer cell means a broken file.
inline constexpr std::size_t kMaxCellBytes = 1024 * 1024;
// Bytes of one row, all its cells together, counted as they are filled:
// shared strings and merged cells spread over a row count once per cell.
// A list of PCs needs a few KB; what the import holds at once is a few
// batches of rows, so this keeps it to a few MB.
inline constexpr std::size_t kMaxRowBytes = 2 * 1024 * 1024;
// Bytes of all the cells of a sheet of a .xlsx, counted the same way: two and a half
// times a 100,000-row list (some 25 MB of cells), so that a few KB of
// references to one long string stop in a fraction of a second instead of
// running for minutes.
inline constexpr std::size_t kMaxXlsxSheetBytes = 64 * 1024 * 1024;
// Rows of a sheet, as Excel has them: a row number past this is damage.
inline constexpr std::size_t kMaxSheetRows = 1048576;
// Depth of elements in a part of a .xlsx: a sheet is six deep, rich text
// a few more; a file of millions of nested elements stops here.
inline constexpr int kMaxXmlDepth = 64;
// Uncompressed bytes read from the parts of one .xlsx, the declared sizes
// and what inflating really gives both checked: a zip bomb stops here,
// while a 100,000-row list needs about a third of it.
inline constexpr std::size_t kMaxExpandedBytes = 160 * 1024 * 1024;
// Shared strings kept in memory for a .xlsx, how many and their bytes;
// a 100,000-row list has a few hundred thousand taking some 10 MB.
inline constexpr std::size_t kMaxSharedStrings = 2 * 1024 * 1024;
inline constexpr std::size_t kMaxSharedBytes = 48 * 1024 * 1024;
// Merged ranges of a sheet of a .xlsx read; those past it are left out.
inline constexpr std::size_t kMaxXlsxMergedRanges = 100000;
// Rows shown in the preview.
inline constexpr std::size_t kPreviewRows = 20;
// Problem rows kept with their reason; the rest are only counted.
inline constexpr std::size_t kMaxListedProblems = 1000;

}  // namespace vantrel::import
