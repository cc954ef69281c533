#pragma once
// The merged ranges of a sheet of a .xlsx. They follow the cells in the
// file, so the part is scanned for them once before its rows are read.

#include <cstddef>
#include <string>
#include <vector>

#include "ZipArchive.h"

namespace vantrel::import {

// Rows from 1, columns from 0, first <= last in both; a range lying wholly
// past the columns a row may have is left out.
struct MergedRange {
    std::size_t firstRow, firstColumn, lastRow, lastColumn;
};

std::vector<MergedRange> ScanMergedRanges(ZipArchive& zip, const std::string& part);

}  // namespace vantrel::import
