#pragma once
// The styles part of a .xlsx, read for one thing: which cell styles show
// a number as a date or a time.

#include <string>
#include <vector>

#include "ZipArchive.h"

namespace vantrel::import {

// Whether a number format shows a date or a time: the built-in ones, and
// codes with a day, year, hour or second outside quoted text and brackets.
bool IsDateFormatId(int id);
bool IsDateFormatCode(std::string_view code);

// For each cell style (the "s" of a cell), whether it shows a date; empty
// when the workbook has no styles. Throws ImportError.
std::vector<bool> ReadDateStyles(ZipArchive& zip, const std::string& path);

}  // namespace vantrel::import
