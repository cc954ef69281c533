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

namespace vantrel::import {

namespace {

std::string Utf8Of(std::uint32_t code) {
    std::string out;
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        code = 0xFFFD;
    }
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
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
    utf8_ = IsUtf8Text(*file_);
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
    if (utf8_) {
        std::size_t replaced = 0;
        gbk = text::Utf8ToGbk(cell_, &replaced);
        replaced_ += replaced;
    } else {
        gbk = cell_;
    }
    cell_.clear();
    cells.push_back(TrimmedGbk(gbk));
    if (cells.size() > kMaxColumns) {
        throw ImportError(messages::TooManyColumns(row_));
    }
}

bool HtmlSheetReader::NextRow(std::vector<std::string>& cells) {
    cells.clear();
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
            if (utf8_ || IsPlainAscii(decoded)) {
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
