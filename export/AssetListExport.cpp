#include "AssetListExport.h"

#include <algorithm>

#include "ExportError.h"
#include "TextWorkbook.h"

namespace vantrel::exporter {

namespace {

constexpr double kColumnWidth = 16;
// Rows an .xlsx sheet holds.
constexpr std::size_t kMaxRows = 1048576;

}  // namespace

void WriteAssetList(const std::string& path, const TextTable& rows) {
    if (rows.size() > kMaxRows) {
        throw ExportError("More than 1048576 rows do not fit a workbook");
    }
    // Constant memory keeps a long list's memory bounded.
    TextWorkbook book(path, true);
    std::size_t columns = 0;
    for (const auto& row : rows) {
        columns = std::max(columns, row.size());
    }
    if (columns > 0) {
        book.SetColumnWidth(0, columns - 1, kColumnWidth);
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            if (!rows[r][c].empty()) {
                book.WriteText(r, c, rows[r][c]);
            }
        }
    }
    book.Finish();
}

}  // namespace vantrel::exporter
