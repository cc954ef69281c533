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
// Bytes of one row, all its cells together.
inline constexpr std::size_t kMaxRowBytes = 8 * 1024 * 1024;
// Uncompressed bytes read from the parts of one .xlsx, the declared sizes
// and what inflating really gives both checked: a zip bomb stops here,
// while a 100,000-row list needs about a third of it.
inline constexpr std::size_t kMaxExpandedBytes = 160 * 1024 * 1024;
// Shared strings kept in memory for a .xlsx.
inline constexpr std::size_t kMaxSharedStrings = 4 * 1024 * 1024;
// Rows shown in the preview.
inline constexpr std::size_t kPreviewRows = 20;
// Problem rows kept with their reason; the rest are only counted.
inline constexpr std::size_t kMaxListedProblems = 1000;

}  // namespace vantrel::import
