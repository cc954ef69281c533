#include "OnlineListExport.h"

#include "BiffWriter.h"
#include "ExportError.h"
#include "Gbk.h"
#include "TextWorkbook.h"

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

void WriteXlsx(const std::string& path, const TextTable& rows) {
    TextWorkbook book(path, false);
    book.SetColumnWidth(0, kWideColumns - 1, kColumnWidth);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            book.WriteText(r, c, rows[r][c]);
        }
    }
    book.Finish();
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
