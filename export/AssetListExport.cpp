#include "AssetListExport.h"

#include <xlsxwriter.h>

#include <algorithm>

#include "ExportError.h"
#include "GbkConvert.h"

namespace vantrel::exporter {

namespace {

constexpr double kColumnWidth = 16;
// Rows an .xlsx sheet holds.
constexpr std::size_t kMaxRows = 1048576;

void Check(lxw_error error, const std::string& path) {
    if (error != LXW_NO_ERROR) {
        throw ExportError("Cannot write " + QuotedPath(path) + ": " + lxw_strerror(error));
    }
}

}  // namespace

void WriteAssetList(const std::string& path, const TextTable& rows) {
    if (rows.size() > kMaxRows) {
        throw ExportError("More than 1048576 rows do not fit a workbook");
    }
    lxw_workbook_options options{};
    // Keeps memory bounded for a long list: rows go to a temporary file.
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
    if (book == nullptr) {
        throw ExportError("Cannot create workbook " + QuotedPath(path));
    }
    try {
        lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
        if (sheet == nullptr) {
            throw ExportError("Cannot add a worksheet to " + QuotedPath(path));
        }
        std::size_t columns = 0;
        for (const auto& row : rows) {
            columns = std::max(columns, row.size());
        }
        if (columns > 0) {
            Check(worksheet_set_column(sheet, 0, static_cast<lxw_col_t>(columns - 1), kColumnWidth,
                                       nullptr),
                  path);
        }
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (std::size_t c = 0; c < rows[r].size(); ++c) {
                if (rows[r][c].empty()) {
                    continue;
                }
                const std::string utf8 = text::GbkToUtf8(rows[r][c]);
                Check(worksheet_write_string(sheet, static_cast<lxw_row_t>(r),
                                             static_cast<lxw_col_t>(c), utf8.c_str(), nullptr),
                      path);
            }
        }
    } catch (...) {
        // Nothing reaches the file before workbook_close.
        lxw_workbook_free(book);
        throw;
    }
    Check(workbook_close(book), path);
}

}  // namespace vantrel::exporter
