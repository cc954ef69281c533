#pragma once
// A table of texts as comma-separated values in code page 936, lines ended
// by CR LF, every value quoted with its double quotes doubled: the form the
// spreadsheet import reads back cell for cell.

#include <string>

#include "OnlineListExport.h"

namespace vantrel::exporter {

// Writes the table to `path` (created or emptied); throws ExportError.
void WriteCsvTable(const std::string& path, const TextTable& rows);

}  // namespace vantrel::exporter
