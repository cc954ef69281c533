#include "XlsxSheetReader.h"

#include <optional>

#include "CellText.h"
#include "GbkConvert.h"
#include "ImportError.h"
#include "ImportLimits.h"
#include "ImportMessages.h"
#include "XlsxDateStyles.h"
#include "XlsxInflater.h"
#include "XlsxMergedRangeCache.h"
#include "XlsxSharedStrings.h"
#include "XlsxSheetParser.h"
#include "XlsxWorkbook.h"

namespace vantrel::import {

XlsxSheetReader::XlsxSheetReader(const std::string& path, std::size_t sheet)
    : zip_(std::make_unique<ZipArchive>(path, kMaxExpandedBytes)) {
    const Workbook book = ReadWorkbook(*zip_, path);
    if (sheet >= book.sheets.size()) {
        throw ImportError(messages::Damaged(path, "no such sheet"));
    }
    std::vector<bool> dateStyles = ReadDateStyles(*zip_, path);
    SharedStrings shared = ReadSharedStrings(*zip_, path);
    const std::string& part = book.sheets[sheet].part;
    // The scan reads the part charged against the bound on expanded bytes,
    // the rows read it again uncharged; without a scan, the rows are charged.
    bool scanned = false;
    const std::optional<ZipArchive::Declared> declared = zip_->Declare(part);
    std::optional<std::vector<MergedRange>> merged;
    if (declared) {
        merged = MergedRanges().Find({path, part, *declared});
    }
    if (!merged) {
        merged = ScanMergedRanges(*zip_, part);
        scanned = true;
        if (declared) {
            MergedRanges().Keep({path, part, *declared}, *merged);
        }
    }
    parser_ = std::make_unique<XlsxSheetParser>(path, std::move(shared), std::move(dateStyles),
                                                book.epoch1904, std::move(*merged));
    sheet_ = std::make_unique<XlsxInflater>(zip_->Open(part, !scanned));
}

XlsxSheetReader::~XlsxSheetReader() = default;

std::vector<std::string> XlsxSheetReader::SheetNames(const std::string& path) {
    ZipArchive zip(path, kMaxExpandedBytes);
    std::vector<std::string> names;
    for (const SheetEntry& sheet : ReadWorkbook(zip, path).sheets) {
        names.push_back(text::Utf8ToGbk(sheet.name));
    }
    return names;
}

bool XlsxSheetReader::NextRow(std::vector<std::string>& cells) {
    XlsxSheetParser::Row row;
    while (!parser_->Take(row)) {
        if (parser_->Paused()) {
            parser_->Resume();
            continue;
        }
        if (!sheet_) {
            return false;
        }
        const bool more = sheet_->Next(chunk_);
        if (!more) {
            chunk_.clear();
            sheet_.reset();
        }
        parser_->Feed(chunk_, !more);
    }
    rowNumber_ = row.number;
    problem_ = std::move(row.problem);
    cells.clear();
    cells.reserve(row.cells.size());
    for (std::string& utf8 : row.cells) {
        // ASCII is the same in GBK: most cells are kept as they are.
        if (IsPlainAscii(utf8)) {
            const std::size_t end = utf8.find_last_not_of(" \t\r\n");
            utf8.erase(end == std::string::npos ? 0 : end + 1);
            utf8.erase(0, utf8.find_first_not_of(" \t\r\n"));
            cells.push_back(std::move(utf8));
        } else {
            std::size_t replaced = 0;
            cells.push_back(TrimmedGbk(text::Utf8ToGbk(utf8, &replaced)));
            replaced_ += replaced;
        }
    }
    return true;
}

double XlsxSheetReader::Progress() const {
    return sheet_ ? sheet_->Progress() : 1.0;
}

}  // namespace vantrel::import
