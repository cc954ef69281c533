#include "HttpText.h"

#include <algorithm>

namespace vantrel::intake {

namespace {

// Reads one to two hexadecimal digits; -1 when there are none or any is not
// a digit.
int HexNumber(std::string_view digits) {
    if (digits.empty())
        return -1;
    int value = 0;
    for (char c : digits) {
        int d = text::AsciiHexValue(c);
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}

// HexNumber of exactly two characters, the common case, without a loop.
int HexPair(char high, char low) {
    const int h = text::AsciiHexValue(high);
    const int l = text::AsciiHexValue(low);
    return h < 0 || l < 0 ? -1 : h * 16 + l;
}

// Reads the character or escape at `at` and moves past it: the byte it
// stands for, or -1 for an escape that stands for none. Up to two digits
// follow a "%" and are consumed whatever they hold ("+" reads as a blank,
// which is no digit).
inline int NextByte(const char*& at, const char* const end) {
    const char c = *at++;
    if (c != '%') {
        return static_cast<unsigned char>(c == '+' ? ' ' : c);
    }
    const std::size_t count = std::min<std::size_t>(2, static_cast<std::size_t>(end - at));
    const int value = count == 2 ? HexPair(at[0], at[1]) : HexNumber(std::string_view(at, count));
    at += count;
    return value > 0 ? value : -1;
}

// Where the value begins in `piece` when it decodes to `name`, "=" and
// the value; npos when it decodes to anything else.
std::size_t ValueAfterName(std::string_view piece, std::string_view name) {
    const char* at = piece.data();
    const char* const end = at + piece.size();
    std::size_t matched = 0;
    while (at != end) {
        const int byte = NextByte(at, end);
        if (byte < 0) {
            continue;
        }
        const char c = static_cast<char>(byte);
        if (matched == name.size()) {
            return c == '=' ? static_cast<std::size_t>(at - piece.data()) : std::string_view::npos;
        }
        if (text::AsciiLower(c) != text::AsciiLower(name[matched])) {
            return std::string_view::npos;
        }
        ++matched;
    }
    return std::string_view::npos;
}

}  // namespace

std::optional<std::string> HeaderValue(const HeaderLines& headers, std::string_view name) {
    for (std::size_t i = 0; i < headers.size(); ++i) {
        std::string_view line = headers[i];
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos ||
            !text::EqualsIgnoringCase(line.substr(0, colon), name)) {
            continue;
        }
        std::string value(line.substr(colon + 1));
        for (std::size_t j = i + 1; j < headers.size(); ++j) {
            std::string_view next = headers[j];
            if (next.empty() || (next.front() != ' ' && next.front() != '\t'))
                break;
            value += ' ';
            value += text::TrimBlanks(next);
        }
        return std::string(text::TrimBlanks(value));
    }
    return std::nullopt;
}

std::string DecodePiece(std::string_view piece) {
    // Written through a pointer into room for the longest result: a form's
    // programs list is tens of kilobytes, mostly escapes and blanks.
    std::string out(piece.size(), '\0');
    char* to = out.data();
    const char* at = piece.data();
    const char* const end = at + piece.size();
    while (at != end) {
        const int byte = NextByte(at, end);
        if (byte >= 0) {
            *to++ = static_cast<char>(byte);
        }
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return out;
}

std::vector<std::string> DecodeParams(std::string_view text) {
    std::optional<std::string_view> none;
    return DecodeParamsKeeping(text, {}, none);
}

std::vector<std::string> DecodeParamsKeeping(std::string_view text, std::string_view name,
                                             std::optional<std::string_view>& keptValue) {
    keptValue.reset();
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> entries;
    if (text.empty())
        return entries;
    std::size_t start = 0;
    for (;;) {
        const std::size_t amp = text.find('&', start);
        const std::string_view piece = text.substr(start, amp - start);
        const std::size_t value =
            keptValue || name.empty() ? std::string_view::npos : ValueAfterName(piece, name);
        if (value == std::string_view::npos) {
            entries.push_back(DecodePiece(piece));
        } else {
            entries.push_back(DecodePiece(piece.substr(0, value)));
            keptValue.emplace(piece.substr(value));
        }
        if (amp == std::string_view::npos)
            break;
        start = amp + 1;
    }
    return entries;
}

DecodedPath DecodePath(std::string_view target) {
    DecodedPath result;
    if (target == "*") {
        result.path = std::string(target);
        return result;
    }
    std::string text(target);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text::IsLeadByte(text[i])) {
            ++i;
        } else if (text[i] == '\\') {
            text[i] = '/';
        }
    }
    if (std::size_t scheme = text.find("://"); scheme != std::string::npos) {
        std::string_view rest = std::string_view(text).substr(scheme + 3);
        std::size_t slash = text::FindSingleByte(rest, '/');
        std::string_view authority = rest.substr(0, slash);
        if (std::size_t at = text::FindSingleByte(authority, '@'); at != std::string_view::npos) {
            authority.remove_prefix(at + 1);
        }
        result.host = std::string(authority.substr(0, text::FindSingleByte(authority, ':')));
        std::string path = "/";
        if (slash != std::string_view::npos)
            path += rest.substr(slash + 1);
        std::size_t lastSlash = path.rfind('/');
        if (std::size_t hash = text::FindSingleByte(path, '#', lastSlash);
            hash != std::string::npos) {
            path.erase(hash);
        }
        text = std::move(path);
    }
    std::size_t equals = text::FindSingleByte(text, '=');
    if (equals == std::string::npos) {
        result.path = DecodePiece(text);
    } else {
        result.path = DecodePiece(std::string_view(text).substr(0, equals)) + text.substr(equals);
    }
    return result;
}

}  // namespace vantrel::intake
