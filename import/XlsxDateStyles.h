#pragma once
// The styles part of a .xlsx, read for one thing: which cell styles show
// a number as a date or a time (by the rules the .xls reader shares).

#include <string>
#include <vector>

#include "ZipArchive.h"

namespace vantrel::import {

// For each cell style (the "s" of a cell), whether it shows a date; empty
// when the workbook has no styles. Throws ImportError.
std::vector<bool> ReadDateStyles(ZipArchive& zip, const std::string& path);

}  // namespace vantrel::import
