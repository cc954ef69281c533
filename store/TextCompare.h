#pragma once
// Byte-string comparisons of code page 936 text. Letter case is folded for
// ASCII letters only, and a lead byte (0x81-0xFE) always takes the byte after
// it along, so a trail byte that looks like a letter, '%' or a quote is never
// read on its own.

#include <string_view>

namespace vantrel::store {

inline bool IsGbkLeadByte(unsigned char c) {
    return c >= 0x81 && c <= 0xFE;
}

// Length of the character starting at `i`: 2 for a lead byte with a byte
// after it, else 1.
inline std::size_t GbkCharLength(std::string_view text, std::size_t i) {
    return IsGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// Plain ASCII case-insensitive equality (names of fields and parameters).
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Equality of two texts, ASCII letters compared without regard to case,
// double-byte characters compared whole.
bool GbkEqualsIgnoringCase(std::string_view a, std::string_view b);

// Whether `needle` occurs in `haystack` starting at a character boundary,
// compared as GbkEqualsIgnoringCase does. Every byte of the needle is a
// plain character: '%', '*' and '_' have no special meaning.
bool GbkContainsIgnoringCase(std::string_view haystack, std::string_view needle);

}  // namespace vantrel::store
