#include "MacText.h"

#include "Gbk.h"

namespace vantrel::inventory {

namespace {

bool IsMacSeparator(char c) {
    return c == '-' || c == ':' || c == '.';
}

// The digits of `text` with a separator after every `group` digits, or
// with none when `group` is 0.
std::optional<std::uint64_t> DigitsInGroups(std::string_view text, std::size_t group) {
    const char separator = group == 0 ? '\0' : text[group];
    if (group != 0 && !IsMacSeparator(separator)) {
        return std::nullopt;
    }
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (group != 0 && i % (group + 1) == group) {
            if (text[i] != separator) {
                return std::nullopt;
            }
            continue;
        }
        const int digit = text::AsciiHexValue(text[i]);
        if (digit < 0) {
            return std::nullopt;
        }
        bits = (bits << 4) | static_cast<std::uint64_t>(digit);
    }
    return bits;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The twelve digits of `bits` with `separator` after every `group` of them.
std::string Written(std::uint64_t bits, std::size_t group, char separator) {
    std::string text;
    for (int shift = 44; shift >= 0; shift -= 4) {
        text += kHexDigits[(bits >> shift) & 0xF];
        const std::size_t written = static_cast<std::size_t>(48 - shift) / 4;
        if (group != 0 && written % group == 0 && written < 12) {
            text += separator;
        }
    }
    return text;
}

}  // namespace

std::string WithMacSeparator(std::string_view mac, char separator) {
    std::string text(mac);
    for (std::size_t i = 0; i < text.size(); i += text::CharLength(text, i)) {
        if (text[i] == '.' || text[i] == ':' || text[i] == '-') {
            text[i] = separator;
        }
    }
    return text;
}

std::optional<std::uint64_t> MacBits(std::string_view text) {
    switch (text.size()) {
        case 12:
            return DigitsInGroups(text, 0);
        case 14:
            return DigitsInGroups(text, 4);
        case 17:
            return DigitsInGroups(text, 2);
        default:
            return std::nullopt;
    }
}

bool IsPlaceholderMac(std::uint64_t bits) {
    return bits == 0 || bits == 0xFFFF'FFFF'FFFFu;
}

std::string MacTextOf(std::uint64_t bits) {
    return Written(bits, 2, ':');
}

std::array<std::string, 5> MacNotations(std::uint64_t bits) {
    return {Written(bits, 2, ':'), Written(bits, 2, '-'), Written(bits, 2, '.'),
            Written(bits, 4, '.'), Written(bits, 0, '\0')};
}

}  // namespace vantrel::inventory
