#include "XlsSheetReader.h"

#include <algorithm>
#include <new>

#include "CellText.h"
#include "GbkConvert.h"
#include "ImportError.h"
#include "ImportLimits.h"
#include "ImportMessages.h"
#include "XlsBounds.h"
#include "XlsWorkbook.h"

namespace vantrel::import {

namespace {

bool IsCellRecord(std::uint16_t type) {
    switch (type) {
        case biff::kLabelSst:
        case biff::kLabel:
        case biff::kRString:
        case biff::kNumber:
        case biff::kRk:
        case biff::kMulRk:
        case biff::kBoolErr:
        case biff::kFormula:
            return true;
        default:
            return false;
    }
}

// Runs `read`, turning a failed allocation into an import error.
template <typename Read>
auto Guarded(const std::string& path, Read read) {
    try {
        return read();
    } catch (const std::bad_alloc&) {
        throw ImportError(messages::OutOfMemory(path));
    }
}

}  // namespace

bool XlsSheetReader::IsBareBiff(std::string_view head) {
    // BOF of BIFF2 to BIFF8: 0x0009, 0x0209, 0x0409, 0x0809.
    return head.size() >= 4 && head[0] == '\x09' &&
           (head[1] == '\x00' || head[1] == '\x02' || head[1] == '\x04' || head[1] == '\x08');
}

XlsSheetReader::XlsSheetReader(const std::string& path, std::size_t sheet) {
    Guarded(path, [&] {
        book_ = std::make_unique<XlsWorkbook>(path);
        if (sheet >= book_->Sheets().size()) {
            throw ImportError(messages::Damaged(path, "no such sheet"));
        }
        codePage_ = book_->CodePage();
        const std::size_t offset = book_->Sheets()[sheet].offset;
        Scan(offset);
        records_ = BiffRecordReader(book_->Stream(), offset);
    });
}

XlsSheetReader::~XlsSheetReader() = default;

std::vector<std::string> XlsSheetReader::SheetNames(const std::string& path) {
    return Guarded(path, [&] {
        const XlsWorkbook book(path);
        std::vector<std::string> names;
        for (const XlsWorkbook::Sheet& sheet : book.Sheets()) {
            names.push_back(sheet.name);
        }
        return names;
    });
}

// One pass over the sheet's records before its rows are read: the merged
// ranges follow the cells, and whether the cells come in row order tells
// whether rows can be handed out as they are read.
void XlsSheetReader::Scan(std::size_t offset) {
    const std::string& path = book_->Path();
    BiffRecordReader scan(book_->Stream(), offset);
    BiffRecord record;
    bool cut = false;
    if (!scan.Next(record, &cut) || record.type != biff::kBof) {
        throw ImportError(messages::Damaged(path, "no sheet BOF"));
    }
    int depth = 1;
    std::size_t lastRow = 0;
    bool anyCell = false;
    while (depth > 0 && scan.Next(record, &cut)) {
        if (record.type == biff::kBof) {
            ++depth;
        } else if (record.type == biff::kEof) {
            --depth;
        } else if (depth == 1 && record.type == biff::kMergedCells) {
            const std::string_view body = record.Body();
            const std::size_t count = body.size() >= 2 ? Le16(body, 0) : 0;
            for (std::size_t i = 0; i < count && 2 + 8 * i + 8 <= body.size(); ++i) {
                const std::size_t at = 2 + 8 * i;
                merged_.Add(
                    {Le16(body, at), Le16(body, at + 2), Le16(body, at + 4), Le16(body, at + 6)});
                if (merged_.Count() > kMaxMergedRanges) {
                    throw ImportError(messages::TooManyMergedRanges(path));
                }
            }
        } else if (depth == 1 && IsCellRecord(record.type) && record.Body().size() >= 2) {
            const std::size_t row = Le16(record.Body(), 0);
            inOrder_ = inOrder_ && (!anyCell || row >= lastRow);
            lastRow = std::max(lastRow, row);
            anyCell = true;
        }
    }
    if (cut) {
        throw ImportError(messages::Damaged(path, "record cut short"));
    }
    rows_ = anyCell ? lastRow + 1 : 0;
    if (merged_.Count() > 0) {
        rows_ = std::max(rows_, merged_.LastRow() + 1);
    }
}

bool XlsSheetReader::ReadRecord() {
    if (ended_) {
        return false;
    }
    BiffRecord record;
    bool cut = false;
    if (records_.Next(record, &cut) && (record.type != biff::kEof || depth_ > 1)) {
        if (record.type == biff::kBof) {
            ++depth_;
        } else if (record.type == biff::kEof) {
            --depth_;
        } else if (depth_ == 1) {
            Decode(record);
        }
        return true;
    }
    if (cut) {
        throw ImportError(messages::Damaged(book_->Path(), "record cut short"));
    }
    ended_ = true;
    if (formulaPending_) {
        throw ImportError(messages::UnreadableCell(formulaRow_ + 1, formulaColumn_, true));
    }
    return false;
}

void XlsSheetReader::Decode(const BiffRecord& record) {
    const std::string_view body = record.Body();
    if (record.type == biff::kCodePage && body.size() >= 2) {
        codePage_ = Le16(body, 0);
        return;
    }
    if (record.type == biff::kString) {
        if (formulaPending_) {
            formulaPending_ = false;
            Take(formulaRow_, formulaColumn_, LabelText(record.parts, 0));
        }
        return;
    }
    if (!IsCellRecord(record.type) || body.size() < 6) {
        return;
    }
    const std::uint16_t row = Le16(body, 0);
    const std::uint16_t column = Le16(body, 2);
    const std::uint16_t xf = Le16(body, 4);
    if (formulaPending_) {
        throw ImportError(messages::UnreadableCell(formulaRow_ + 1, formulaColumn_, true));
    }
    switch (record.type) {
        case biff::kLabelSst: {
            if (body.size() < 10) {
                return;
            }
            const std::uint32_t index = Le32(body, 6);
            if (!book_->HasSharedString(index)) {
                throw ImportError(messages::UnreadableCell(std::size_t{row} + 1, column, false));
            }
            std::size_t replaced = 0;
            Take(row, column, std::string(book_->SharedString(index, replaced)));
            replaced_ += replaced;
            return;
        }
        case biff::kLabel:
        case biff::kRString:
            Take(row, column, LabelText(record.parts, 6));
            return;
        case biff::kNumber:
            if (body.size() >= 14) {
                Take(row, column, NumberCell(xf, LeDouble(body, 6)));
            }
            return;
        case biff::kRk:
            if (body.size() >= 10) {
                Take(row, column, NumberCell(xf, RkNumber(Le32(body, 6))));
            }
            return;
        case biff::kMulRk:
            for (std::size_t i = 0; 4 + 6 * i + 6 <= body.size() - 2; ++i) {
                const std::size_t at = 4 + 6 * i;
                Take(row, static_cast<std::uint16_t>(column + i),
                     NumberCell(Le16(body, at), RkNumber(Le32(body, at + 2))));
            }
            return;
        case biff::kBoolErr:
            if (body.size() >= 8 && body[7] == 0) {  // an error reads as empty
                Take(row, column, body[6] != 0 ? "TRUE" : "FALSE");
            }
            return;
        case biff::kFormula:
            if (body.size() < 14) {
                return;
            }
            if (Le16(body, 12) != 0xFFFF) {
                Take(row, column, NumberCell(xf, LeDouble(body, 6)));
            } else if (body[6] == 0) {
                formulaPending_ = true;
                formulaRow_ = row;
                formulaColumn_ = column;
            } else if (body[6] == 1) {
                Take(row, column, body[8] != 0 ? "TRUE" : "FALSE");
            }
            return;  // an error or an empty text: nothing
        default:
            return;
    }
}

std::string XlsSheetReader::NumberCell(std::uint16_t xf, double value) const {
    return book_->IsDateFormat(xf) ? SerialDateText(value, book_->Epoch1904()) : NumberText(value);
}

// A LABEL, RSTRING or STRING text at `at`: UTF-16 or compressed Latin-1
// in BIFF8, 8-bit text in the workbook's code page before it.
std::string XlsSheetReader::LabelText(const std::vector<std::string_view>& parts, std::size_t at) {
    BiffCursor cursor(parts, at);
    std::uint16_t count = 0;
    std::size_t replaced = 0;
    std::string text;
    if (!cursor.U16(count)) {
        return text;
    }
    if (book_->IsBiff8()) {
        std::uint8_t options = 0;
        std::string utf16;
        if (cursor.U8(options)) {
            cursor.WideString(count, options, utf16);  // a cut text keeps what is there
        }
        text = text::Utf16LeToGbk(utf16, &replaced);
    } else {
        const std::string_view body = parts[0];
        const std::size_t start = std::min(at + 2, body.size());
        text = ByteTextToGbk(body.substr(start, count), codePage_, replaced);
    }
    replaced_ += replaced;
    return TrimmedGbk(text);
}

void XlsSheetReader::Take(std::uint32_t row, std::uint16_t column, std::string text) {
    if (column >= kMaxColumns) {
        throw ImportError(messages::TooManyColumns(std::size_t{row} + 1));
    }
    if (text.size() > kMaxCellBytes) {
        throw ImportError(messages::CellTooLarge(std::size_t{row} + 1));
    }
    if (text.empty()) {
        return;
    }
    // A sheet held whole also costs what holding each cell takes.
    ChargeSheet(row, text.size() + (inOrder_ ? 0 : sizeof(Cell)));
    buffer_.push_back(Cell{row, column, std::move(text)});
}

void XlsSheetReader::ChargeRow(std::size_t bytes) {
    rowBytes_ += std::max<std::size_t>(bytes, 1);
    if (rowBytes_ > kMaxRowBytes) {
        throw ImportError(messages::RowTooLarge(next_ + 1));
    }
}

void XlsSheetReader::ChargeSheet(std::size_t row, std::size_t bytes) {
    sheetBytes_ += std::max<std::size_t>(bytes, 1);
    if (sheetBytes_ > kMaxSheetBytes) {
        throw ImportError(messages::SheetTooLarge(row + 1));
    }
}

void XlsSheetReader::BuildRow(std::vector<std::string>& cells) {
    const std::size_t row = next_;
    rowBytes_ = 0;
    for (; head_ < buffer_.size() && buffer_[head_].row == row; ++head_) {
        Cell& cell = buffer_[head_];
        ChargeRow(cell.text.size());
        if (cells.size() <= cell.column) {
            cells.resize(std::size_t{cell.column} + 1);
        }
        cells[cell.column] = std::move(cell.text);
    }
    if (head_ > 4096 && head_ * 2 > buffer_.size()) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
    merged_.Fill(row, cells, [&](std::size_t bytes) {
        ChargeRow(bytes);
        ChargeSheet(row, bytes);
    });
    while (!cells.empty() && cells.back().empty()) {
        cells.pop_back();
    }
}

bool XlsSheetReader::NextRow(std::vector<std::string>& cells) {
    cells.clear();
    return Guarded(book_->Path(), [&] {
        if (!inOrder_ && !loaded_) {
            while (ReadRecord()) {
            }
            std::stable_sort(buffer_.begin(), buffer_.end(),
                             [](const Cell& a, const Cell& b) { return a.row < b.row; });
            loaded_ = true;
        }
        if (next_ >= rows_) {
            return false;
        }
        while (inOrder_ && !ended_ && (head_ == buffer_.size() || buffer_.back().row <= next_)) {
            ReadRecord();
        }
        BuildRow(cells);
        ++next_;
        return true;
    });
}

double XlsSheetReader::Progress() const {
    return rows_ == 0 ? 1.0 : static_cast<double>(next_) / static_cast<double>(rows_);
}

}  // namespace vantrel::import
