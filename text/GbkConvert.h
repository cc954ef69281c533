#pragma once
// Conversion of code page 936 (GBK) bytes to UTF-8 for the formats that need
// Unicode (XLSX). Uses iconv (CP936); nothing of Qt.

#include <string>
#include <string_view>

namespace vantrel::text {

// The text as UTF-8. A byte that does not start a valid GBK character (a lone
// lead byte, an invalid pair, 0xFF) becomes U+FFFD and the conversion goes on
// with the next byte, so nothing after it is lost. Throws std::runtime_error
// only when the platform has no CP936 converter.
std::string GbkToUtf8(std::string_view gbk);

}  // namespace vantrel::text
