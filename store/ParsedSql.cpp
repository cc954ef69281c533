#include "ParsedSql.h"

#include "Gbk.h"

namespace vantrel::store {

namespace {

// What SQLite itself accepts in a parameter name.
bool IsNameByte(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' ||
           c >= 0x80;
}

// Copies the quoted literal or comment starting at `i` and returns the index
// after it. The scan is byte by byte, exactly as SQLite's tokenizer reads the
// text: code page 936 trail bytes never equal a quote, so both agree.
std::size_t CopyQuoted(std::string_view text, std::size_t i, std::string& out) {
    char open = text[i];
    std::string_view close = open == '[' ? "]" : open == '-' ? "\n" : open == '/' ? "*/" : "";
    if (close.empty()) {
        close = std::string_view(&text[i], 1);
    }
    std::size_t end = text.find(close, i + 1 + (open == '/' ? 1 : 0));
    end = end == std::string_view::npos ? text.size() : end + close.size();
    out.append(text.substr(i, end - i));
    return end;
}

}  // namespace

ParsedSql::ParsedSql(std::string_view text) {
    sql_.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        bool lineComment = c == '-' && i + 1 < text.size() && text[i + 1] == '-';
        bool blockComment = c == '/' && i + 1 < text.size() && text[i + 1] == '*';
        if (c == '\'' || c == '"' || c == '`' || c == '[' || lineComment || blockComment) {
            // A doubled quote inside a literal simply reads as two literals
            // in a row, which copies the same bytes.
            i = CopyQuoted(text, i, sql_);
        } else if (c == ':' && i + 1 < text.size() && text[i + 1] == ':') {
            sql_ += ':';
            i += 2;
        } else if (c == ':' && i + 1 < text.size() &&
                   IsNameByte(static_cast<unsigned char>(text[i + 1]))) {
            std::size_t end = i + 1;
            while (end < text.size() && IsNameByte(static_cast<unsigned char>(text[end]))) {
                ++end;
            }
            std::string_view name = text.substr(i + 1, end - i - 1);
            int index = Find(name);
            if (index < 0) {
                index = static_cast<int>(names_.size());
                names_.emplace_back(name);
            }
            sql_ += '?';
            sql_ += std::to_string(index + 1);
            i = end;
        } else {
            sql_ += c;
            ++i;
        }
    }
}

int ParsedSql::Find(std::string_view name) const {
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (text::EqualsIgnoringAsciiCase(names_[i], name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace vantrel::store
