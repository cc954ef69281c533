#pragma once
// The workbook stream of an Excel 97-2003 or 5.0/95 file, read out of its
// compound-file container. Nothing in the file is trusted: every sector
// number, chain, length and directory name is checked, a chain that
// loops or runs off the file is damage, and no loop runs longer than the
// file has sectors.

#include <cstddef>
#include <string>

namespace vantrel::import {

// The most bytes a workbook stream may hold; a larger one is refused
// rather than read into memory.
inline constexpr std::size_t kMaxWorkbookStreamBytes = 256 * 1024 * 1024;

// The stream named "Workbook" (BIFF8) or else "Book" (BIFF5) of the
// compound file at `path`. Throws ImportError naming the file when it
// cannot be read, is damaged or holds no workbook.
std::string ReadWorkbookStream(const std::string& path);

}  // namespace vantrel::import
