#include "TextSheetReader.h"

#include "CellText.h"
#include "FileBytes.h"
#include "GbkConvert.h"
#include "ImportError.h"
#include "ImportLimits.h"
#include "ImportMessages.h"
#include "ReaderMessages.h"
#include "XlsBounds.h"

namespace vantrel::import {

TextSheetReader::TextSheetReader(const std::string& path)
    : path_(path), file_(std::make_unique<FileBytes>(path)) {
    encoding_ = ReadEncoding(*file_, path);
    SkipByteOrderMark();
    separator_ = DetectSeparator();
}

void TextSheetReader::SkipByteOrderMark() {
    if (file_->Peek() == 0xEF) {
        file_->Get();
        if (file_->Get() != 0xBB || file_->Get() != 0xBF) {
            // Not a mark after all: GBK text starting with 0xEF.
            file_->Rewind();
        }
    }
}

char TextSheetReader::DetectSeparator() {
    // Counts outside quotes on the first line that holds anything.
    std::size_t tabs = 0;
    std::size_t semicolons = 0;
    std::size_t commas = 0;
    bool quoted = false;
    bool any = false;
    std::size_t bytes = 0;
    for (int c = file_->Get(); c >= 0 && bytes < kMaxRowBytes; c = file_->Get(), ++bytes) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '\n' || c == '\r')) {
            if (any) {
                break;
            }
        } else if (!quoted && c == '\t') {
            ++tabs;
        } else if (!quoted && c == ';') {
            ++semicolons;
        } else if (!quoted && c == ',') {
            ++commas;
        }
        if (c != ' ' && c != '\r' && c != '\n') {
            any = true;
        }
    }
    file_->Rewind();
    SkipByteOrderMark();
    if (tabs >= semicolons && tabs >= commas && tabs > 0) {
        return '\t';
    }
    if (semicolons >= commas && semicolons > 0) {
        return ';';
    }
    return ',';
}

std::string TextSheetReader::Cell(std::string& raw) {
    std::string gbk;
    if (encoding_ == TextEncoding::Utf8StrayBytes && !problem_ && !IsValidUtf8(raw)) {
        problem_ = messages::NotInEncoding(true);
    }
    if (encoding_ != TextEncoding::Gbk) {
        std::size_t replaced = 0;
        gbk = text::Utf8ToGbk(raw, &replaced);
        replaced_ += replaced;
    } else {
        gbk = raw;
    }
    raw.clear();
    return TrimmedGbk(gbk);
}

bool TextSheetReader::NextRow(std::vector<std::string>& cells) {
    cells.clear();
    problem_.reset();
    int c = file_->Get();
    if (c < 0) {
        return false;
    }
    ++row_;
    std::string raw;
    std::size_t rowBytes = 0;
    bool quoted = false;     // inside a quoted field
    bool fieldStart = true;  // nothing of this field read yet
    for (;; c = file_->Get()) {
        if (c < 0) {
            if (quoted) {
                problem_ = messages::UnclosedQuote();
            }
            break;
        }
        if (raw.size() > kMaxCellBytes) {
            throw ImportError(messages::CellTooLarge(row_));
        }
        if (++rowBytes > kMaxRowBytes) {
            throw ImportError(messages::RowTooLarge(row_));
        }
        const char ch = static_cast<char>(c);
        if (quoted) {
            if (ch == '"') {
                if (file_->Peek() == '"') {
                    file_->Get();
                    raw += '"';
                } else {
                    quoted = false;
                }
            } else {
                raw += ch;
            }
            continue;
        }
        if (ch == '"' && fieldStart) {
            quoted = true;
            fieldStart = false;
            continue;
        }
        if (ch == separator_) {
            cells.push_back(Cell(raw));
            if (cells.size() > kMaxColumns) {
                throw ImportError(messages::TooManyColumns(row_));
            }
            fieldStart = true;
            continue;
        }
        if (ch == '\r' || ch == '\n') {
            if (ch == '\r' && file_->Peek() == '\n') {
                file_->Get();
            }
            break;
        }
        if (ch == ' ' && fieldStart) {
            continue;  // blanks before an opening quote are not part of it
        }
        fieldStart = false;
        raw += ch;
    }
    cells.push_back(Cell(raw));
    if (cells.size() > kMaxColumns) {
        throw ImportError(messages::TooManyColumns(row_));
    }
    if (cells.size() == 1 && cells[0].empty()) {
        cells.clear();
    }
    return true;
}

double TextSheetReader::Progress() const {
    return file_->Size() == 0
               ? 1.0
               : static_cast<double>(file_->Offset()) / static_cast<double>(file_->Size());
}

}  // namespace vantrel::import
