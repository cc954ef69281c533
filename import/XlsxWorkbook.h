#pragma once
// The workbook part of a .xlsx: its sheets in order, each with its name
// and the part that holds it, and which date system it counts in.

#include <string>
#include <vector>

#include "ZipArchive.h"

namespace vantrel::import {

struct SheetEntry {
    std::string name;  // UTF-8
    std::string part;  // path inside the zip
};

struct Workbook {
    std::vector<SheetEntry> sheets;
    bool epoch1904 = false;
};

// Throws ImportError when the workbook is damaged or names no sheet.
Workbook ReadWorkbook(ZipArchive& zip, const std::string& path);

}  // namespace vantrel::import
