#pragma once
// The asset list (导出资产清单) as an .xlsx workbook: one sheet, its title
// row first, every cell a text (so that numbers such as 007 or 1234.50
// come back as written), columns wide enough for a MAC or a date.

#include <string>

#include "OnlineListExport.h"

namespace vantrel::exporter {

// Writes the rows (GBK; the first is the title row) to `path`, converted
// to UTF-8. The file is written only when complete: a failure leaves the
// path as it was. Throws ExportError.
void WriteAssetList(const std::string& path, const TextTable& rows);

}  // namespace vantrel::exporter
