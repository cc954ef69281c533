#include "HtmlSheetReader.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "CellText.h"
#include "FileBytes.h"
#include "GbkConvert.h"
#include "ImportError.h"
#include "ImportLimits.h"
#include "ImportMessages.h"
#include "ReaderMessages.h"
#include "Utf8.h"
#include "XlsBounds.h"

namespace vantrel::import {

namespace {

std::string Utf8Of(std::uint32_t code) {
    std::string out;
    text::AppendUtf8(out, code);
    return out;
}

struct NamedReference {
    std::string_view name;
    std::uint32_t code;
};
// The references spreadsheet programs write; a non-breaking space is read
// as a plain one, so that an empty cell written as "&nbsp" stays empty.
constexpr std::array<NamedReference, 9> kNamed{{{"amp", '&'},
                                                {"lt", '<'},
                                                {"gt", '>'},
                                                {"quot", '"'},
                                                {"apos", '\''},
                                                {"nbsp", ' '},
                                                {"copy", 0xA9},
                                                {"middot", 0xB7},
                                                {"yen", 0xA5}}};

}  // namespace

HtmlSheetReader::HtmlSheetReader(const std::string& path)
    : path_(path), file_(std::make_unique<FileBytes>(path)) {
    encoding_ = ReadEncoding(*file_, path);
}

void HtmlSheetReader::SkipRawText(std::string_view name) {
    // A script or a style runs to its closing tag, whatever it holds.
    const std::string closing = "</" + std::string(name);
    std::size_t matched = 0;
    for (int c = file_->Get(); c >= 0; c = file_->Get()) {
        const char lower = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        if (lower == closing[matched]) {
            if (++matched == closing.size()) {
                ReadTag();  // the rest of the closing tag
                return;
            }
        } else {
            matched = lower == '<' ? 1 : 0;
        }
    }
}

HtmlSheetReader::Tag HtmlSheetReader::ReadTag() {
    Tag tag;
    if (file_->Peek() == '!') {
        // A comment runs to "-->", a declaration to '>'.
        file_->Get();
        const bool comment = file_->Peek() == '-';
        int dashes = 0;
        for (int c = file_->Get(); c >= 0; c = file_->Get()) {
            if (c == '>' && (!comment || dashes >= 2)) {
                break;
            }
            dashes = c == '-' ? dashes + 1 : 0;
        }
        return tag;
    }
    bool inName = true;
    char quote = 0;
    std::size_t bytes = 0;
    for (int c = file_->Get(); c >= 0; c = file_->Get()) {
        if (++bytes > kMaxCellBytes) {
            throw ImportError(messages::Damaged(path_, "tag"));
        }
        if (quote != 0) {
            if (c == quote) {
                quote = 0;
            }
            continue;
        }
        if (c == '>') {
            break;
        }
        if (c == '"' || c == '\'') {
            quote = static_cast<char>(c);
            inName = false;
            continue;
        }
        if (inName && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            inName = tag.name.empty();
            continue;
        }
        if (inName) {
            tag.name += static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
            if (tag.name.size() > 16) {
                inName = false;
            }
        }
    }
    if (!tag.name.empty() && tag.name.back() == '/') {
        tag.name.pop_back();  // <br/>
    }
    return tag;
}

std::string HtmlSheetReader::ReadReference() {
    std::string name;
    while (name.size() < 10) {
        const int c = file_->Peek();
        const bool word = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                          (c >= 'A' && c <= 'Z') || (c == '#' && name.empty());
        if (!word) {
            break;
        }
        name += static_cast<char>(file_->Get());
    }
    const bool closed = file_->Peek() == ';';
    if (!name.empty() && name[0] == '#') {
        std::uint32_t code = 0;
        const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        bool digits = false;
        for (std::size_t i = hex ? 2 : 1; i < name.size(); ++i) {
            const char d = name[i];
            int v = -1;
            if (d >= '0' && d <= '9') {
                v = d - '0';
            } else if (hex && d >= 'a' && d <= 'f') {
                v = d - 'a' + 10;
            } else if (hex && d >= 'A' && d <= 'F') {
                v = d - 'A' + 10;
            }
            if (v < 0) {
                return "&" + name;
            }
            digits = true;
            code = code > 0x10FFFF ? code : code * (hex ? 16 : 10) + static_cast<std::uint32_t>(v);
        }
        if (!digits) {
            return "&" + name;
        }
        if (closed) {
            file_->Get();
        }
        return Utf8Of(code);
    }
    for (const NamedReference& known : kNamed) {
        if (name == known.name) {
            if (closed) {
                file_->Get();
            }
            return Utf8Of(known.code);
        }
    }
    return "&" + name;  // not a reference this reader knows: kept as written
}

void HtmlSheetReader::AppendText(std::string_view text) {
    if (cell_.size() + text.size() > kMaxCellBytes) {
        throw ImportError(messages::CellTooLarge(row_));
    }
    cell_ += text;
}

void HtmlSheetReader::EndCell(std::vector<std::string>& cells) {
    if (!inCell_) {
        return;
    }
    inCell_ = false;
    std::string gbk;
    if (encoding_ == TextEncoding::Utf8StrayBytes && !problem_ && !IsValidUtf8(cell_)) {
        problem_ = messages::NotInEncoding(true);
    }
    if (encoding_ != TextEncoding::Gbk) {
        std::size_t replaced = 0;
        gbk = text::Utf8ToGbk(cell_, &replaced);
        replaced_ += replaced;
    } else {
        gbk = cell_;
    }
    cell_.clear();
    cells.push_back(TrimmedGbk(gbk));
    rowBytes_ += cells.back().size();
    if (rowBytes_ > kMaxRowBytes) {
        throw ImportError(messages::RowTooLarge(row_));
    }
    if (cells.size() > kMaxColumns) {
        throw ImportError(messages::TooManyColumns(row_));
    }
}

bool HtmlSheetReader::NextRow(std::vector<std::string>& cells) {
    cells.clear();
    problem_.reset();
    rowBytes_ = 0;
    bool inRow = false;
    while (!done_) {
        const int c = file_->Get();
        if (c < 0) {
            if (!inTable_ && row_ == 0) {
                throw ImportError(messages::NoTable(path_));
            }
            done_ = true;
            break;
        }
        if (c == '<') {
            const Tag tag = ReadTag();
            const std::string& n = tag.name;
            if (n == "script" || n == "style") {
                SkipRawText(n);
                continue;
            }
            if (!inTable_) {
                inTable_ = n == "table";
                continue;
            }
            if (n == "table") {
                ++nested_;
            } else if (n == "/table") {
                if (nested_ == 0) {
                    EndCell(cells);
                    done_ = true;
                    break;
                }
                --nested_;
            } else if (nested_ > 0) {
                if (n == "td" || n == "th" || n == "br" || n == "/tr") {
                    AppendText(" ");
                }
            } else if (n == "tr" || n == "/tr") {
                EndCell(cells);
                if (inRow) {
                    break;
                }
                inRow = n == "tr";
                if (inRow) {
                    ++row_;
                }
            } else if (n == "td" || n == "th") {
                EndCell(cells);
                if (!inRow) {
                    inRow = true;
                    ++row_;
                }
                inCell_ = true;
            } else if (n == "/td" || n == "/th") {
                EndCell(cells);
            } else if (n == "br" && inCell_) {
                AppendText("\n");
            }
            continue;
        }
        if (!inTable_ || !inCell_) {
            continue;
        }
        if (c == '&') {
            const std::string decoded = ReadReference();
            if (encoding_ != TextEncoding::Gbk || IsPlainAscii(decoded)) {
                AppendText(decoded);
            } else {
                std::size_t replaced = 0;
                AppendText(text::Utf8ToGbk(decoded, &replaced));
                replaced_ += replaced;
            }
            continue;
        }
        const char ch = static_cast<char>(c);
        AppendText(std::string_view(&ch, 1));
    }
    if (!inRow && cells.empty()) {
        return false;
    }
    return true;
}

double HtmlSheetReader::Progress() const {
    return file_->Size() == 0
               ? 1.0
               : static_cast<double>(file_->Offset()) / static_cast<double>(file_->Size());
}

}  // namespace vantrel::import
