#pragma once
// Byte-string helpers of the request model. Text is code page 936, scanned
// with the double-byte rules of Gbk.h.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Gbk.h"
#include "HeaderLines.h"

namespace vantrel::intake {

// Value of the first header line whose name (the text before its first ":")
// equals `name` ignoring case: the text after that ":", with every following
// line that begins with a blank or tab appended after a single blank, then
// trimmed. nullopt when no line has that name.
std::optional<std::string> HeaderValue(const HeaderLines& headers, std::string_view name);

// Decodes one piece of a query or path: "+" becomes a blank, then "%" with
// the next two characters (fewer at the end) is read as a hexadecimal number
// and put out as one byte when it is 1 to 255, else dropped; the characters
// are consumed either way.
std::string DecodePiece(std::string_view piece);

// Splits at every "&" (a NUL byte ends the text) and decodes each piece;
// empty pieces are kept, an empty text gives no entry.
std::vector<std::string> DecodeParams(std::string_view text);

// DecodeParams, except that the first entry whose decoded name equals
// `name` (ASCII, ignoring letter case) keeps its value as sent: the entry
// holds its decoded name and "=" only, and `keptValue` views the value
// still encoded, within `text`. DecodePiece of `keptValue` is the value
// DecodeParams gives.
std::vector<std::string> DecodeParamsKeeping(std::string_view text, std::string_view name,
                                             std::optional<std::string_view>& keptValue);

// The decoded path of a target without its query, and the host named by an
// absolute target ("" when it names none).
struct DecodedPath {
    std::string path;
    std::string host;
};
DecodedPath DecodePath(std::string_view target);

}  // namespace vantrel::intake
