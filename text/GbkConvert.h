#pragma once
// Conversion between code page 936 (GBK) bytes and Unicode, for the edges
// that need Unicode: Qt widgets (UTF-16), XLSX and imported text (UTF-8).
// The one iconv (CP936) wrapper of the program; nothing of Qt. Every
// function throws std::runtime_error only when the platform has no CP936
// converter.

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel::text {

// The text as UTF-8. A byte that does not start a valid GBK character (a lone
// lead byte, an invalid pair, 0xFF) becomes U+FFFD and the conversion goes on
// with the next byte, so nothing after it is lost.
std::string GbkToUtf8(std::string_view gbk);

// The same as UTF-16, one U+FFFD per byte that cannot be read.
std::u16string GbkToUtf16(std::string_view gbk);

// UTF-8 to GBK: every character GBK cannot hold, and every byte that is
// not valid UTF-8, becomes '?'; *replaced (when given) counts them.
std::string Utf8ToGbk(std::string_view utf8, std::size_t* replaced = nullptr);

// UTF-16LE bytes (as Access files store text) to GBK: every character GBK
// cannot hold, every unit that is not valid UTF-16 and an odd last byte
// become one '?' each; *replaced (when given) counts them. Looks each unit
// up in a table made once, which is much faster than a call of iconv per
// value; safe from any thread.
std::string Utf16LeToGbk(std::string_view utf16le, std::size_t* replaced = nullptr);

// UTF-16 to GBK, altering nothing: returns the index (in code units) of the
// first character GBK cannot hold, or of the first unit that is not valid
// UTF-16, with `gbk` holding the conversion of what comes before it; npos
// when all of it converted.
std::size_t Utf16ToGbkStrict(std::u16string_view utf16, std::string& gbk);

}  // namespace vantrel::text
