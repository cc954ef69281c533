#pragma once
// The online list as a spreadsheet file: every cell a text, grid row r and
// column c at spreadsheet row r + 1 and column c + 1, columns 1 to 3 twenty
// characters wide.

#include <string>
#include <vector>

namespace vantrel::exporter {

// Rows of GBK cell texts, the header row first.
using TextTable = std::vector<std::vector<std::string>>;

enum class SheetFormat { Xlsx, Xls };

// The format for a file name chosen with the filter "Excel2007...|*.xlsx|
// Excel2003...|*.xls": the name's own extension (.xlsx or .xls, any case)
// decides, so that the content always matches the name; a name with neither
// takes the chosen filter entry (2: .xls, otherwise .xlsx).
SheetFormat SheetFormatOf(const std::string& path, int filterIndex);

// Writes the table to `path` (created or emptied). XLSX cells are converted
// from GBK to UTF-8. Throws ExportError; an XLS file that fails keeps what
// was written, an XLSX file is written only when complete
// (a failure leaves the path as it was).
void WriteOnlineList(SheetFormat format, const std::string& path, const TextTable& rows);

}  // namespace vantrel::exporter
