#pragma once
// Rules for code page 936 (GBK) byte strings. A byte from 0x81 to 0xFE leads
// a double-byte character; its trail byte may look like any ASCII character
// ('\\', '{', '"', '|', a letter...), so every scan here steps over such a
// pair whole and never reads or changes a trail byte on its own.

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel::text {

inline bool IsLeadByte(char c) {
    auto b = static_cast<unsigned char>(c);
    return b >= 0x81 && b <= 0xFE;
}

// Length of the character starting at `i` (which must be inside `text`):
// 2 for a lead byte with a byte after it, else 1. A lead byte at the very
// end stands alone.
inline std::size_t CharLength(std::string_view text, std::size_t i) {
    return IsLeadByte(text[i]) && i + 1 < text.size() ? 2 : 1;
}

inline char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}
inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

// The value of an ASCII hex digit, -1 for any other byte.
inline int AsciiHexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}
inline bool IsAsciiHexDigit(char c) {
    return AsciiHexValue(c) >= 0;
}

// `text` without the spaces and control characters (bytes 0x00-0x20) at
// either end. No trail byte is that small, so a character is never cut.
inline std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) {
        text.remove_prefix(1);
    }
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) {
        text.remove_suffix(1);
    }
    return text;
}

// The text with ASCII letters outside double-byte characters folded.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// Position of the first `wanted` (a single-byte character) at or after
// `from` that is not the trail byte of a double-byte character; npos when
// there is none. `from` must be a character boundary.
std::size_t FindSingleByte(std::string_view text, char wanted, std::size_t from = 0);

// Byte-wise equality ignoring ASCII case, for names that are plain ASCII
// (fields, parameters, headers).
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Equality with ASCII letters compared without regard to case and
// double-byte characters compared whole.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Whether `needle` occurs in `haystack` starting at a character boundary,
// compared as EqualsIgnoringCase does. No byte of the needle is special.
bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle);

// Whether every byte belongs to a character of code page 936: ASCII, 0x80,
// or a lead byte 0x81-0xFE followed by a trail byte 0x40-0x7E or 0x80-0xFE.
bool IsValidGbk(std::string_view text);

// The longest prefix of `text` of at most `maxBytes` bytes that ends on a
// character boundary, so a double-byte character is never split.
std::string_view CutAtCharBoundary(std::string_view text, std::size_t maxBytes);

}  // namespace vantrel::text
