#include "OnlineListExport.h"

#include <xlsxwriter.h>

#include "BiffWriter.h"
#include "ExportError.h"
#include "Gbk.h"
#include "GbkConvert.h"

namespace vantrel::exporter {

namespace {

constexpr std::uint16_t kWideColumns = 3;
constexpr std::uint16_t kColumnWidth = 20;

bool EndsWithIgnoringCase(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           text::EqualsIgnoringAsciiCase(std::string_view(text).substr(text.size() - suffix.size()),
                                         suffix);
}

void WriteXls(const std::string& path, const TextTable& rows) {
    if (rows.size() > 65536) {
        throw ExportError("More than 65536 rows do not fit a spreadsheet file");
    }
    FileStream file(path);
    BiffWriter biff(file);
    biff.Begin();
    biff.ColumnWidth(0, kWideColumns - 1, kColumnWidth);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            biff.Label(static_cast<std::uint16_t>(r), static_cast<std::uint16_t>(c), rows[r][c]);
        }
    }
    biff.End();
    file.Close();
}

void Check(lxw_error error, const std::string& path) {
    if (error != LXW_NO_ERROR) {
        throw ExportError("Cannot write " + QuotedPath(path) + ": " + lxw_strerror(error));
    }
}

void WriteXlsx(const std::string& path, const TextTable& rows) {
    lxw_workbook* book = workbook_new(path.c_str());
    if (book == nullptr) {
        throw ExportError("Cannot create workbook " + QuotedPath(path));
    }
    try {
        lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
        if (sheet == nullptr) {
            throw ExportError("Cannot add a worksheet to " + QuotedPath(path));
        }
        Check(worksheet_set_column(sheet, 0, kWideColumns - 1, kColumnWidth, nullptr), path);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (std::size_t c = 0; c < rows[r].size(); ++c) {
                const std::string utf8 = text::GbkToUtf8(rows[r][c]);
                Check(worksheet_write_string(sheet, static_cast<lxw_row_t>(r),
                                             static_cast<lxw_col_t>(c), utf8.c_str(), nullptr),
                      path);
            }
        }
    } catch (...) {
        // Nothing reaches the file before workbook_close: a failed export
        // leaves whatever was there untouched.
        lxw_workbook_free(book);
        throw;
    }
    Check(workbook_close(book), path);
}

}  // namespace

SheetFormat SheetFormatOf(const std::string& path, int filterIndex) {
    if (EndsWithIgnoringCase(path, ".xlsx")) {
        return SheetFormat::Xlsx;
    }
    if (EndsWithIgnoringCase(path, ".xls")) {
        return SheetFormat::Xls;
    }
    return filterIndex == 2 ? SheetFormat::Xls : SheetFormat::Xlsx;
}

void WriteOnlineList(SheetFormat format, const std::string& path, const TextTable& rows) {
    if (format == SheetFormat::Xls) {
        WriteXls(path, rows);
    } else {
        WriteXlsx(path, rows);
    }
}

}  // namespace vantrel::exporter
