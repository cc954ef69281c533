#include "Ipv4Text.h"

#include <arpa/inet.h>

#include <algorithm>

namespace vantrel::scan {

namespace {
constexpr std::size_t kDotSearchLength = 15;
constexpr std::size_t kFallbackLength = 16;
constexpr int kParts = 4;
constexpr unsigned kMaxPart = 255;
constexpr std::uint32_t kSlash24 = 0xFFFFFF00;
}  // namespace

std::string AddressPrefix(std::string_view address) {
    int dots = 0;
    const std::size_t searched = std::min(address.size(), kDotSearchLength);
    for (std::size_t i = 0; i < searched; ++i) {
        if (address[i] == '.' && ++dots == 3) {
            return std::string(address.substr(0, i + 1));
        }
    }
    return std::string(address.substr(0, kFallbackLength));
}

SweepRange PrefillRange(std::string_view address, std::uint32_t netmask) {
    if (!IsValidIPv4Text(address)) {
        const std::string prefix = AddressPrefix(address);
        return {prefix + "1", prefix + "254"};
    }
    const std::uint32_t number = DottedQuadToNumber(std::string(address));
    // A contiguous mask has its ones on top: its complement plus one is a
    // power of two (or zero for /0).
    const std::uint32_t hosts = ~netmask;
    const bool contiguous = (hosts & (hosts + 1)) == 0;
    if (!contiguous || netmask < kSlash24) {
        const std::uint32_t network = number & kSlash24;
        return {DottedDecimal(network | 1), DottedDecimal(network | 254)};
    }
    const std::uint32_t network = number & netmask;
    const std::uint32_t broadcast = network | hosts;
    if (hosts <= 1) {
        // A /32 holds one address, a /31 two, both usable.
        return {DottedDecimal(network), DottedDecimal(broadcast)};
    }
    return {DottedDecimal(network + 1), DottedDecimal(broadcast - 1)};
}

bool IsValidIPv4Text(std::string_view text) {
    int parts = 1;
    std::size_t digits = 0;
    unsigned value = 0;
    // Only ASCII digits and "." pass, so no byte of a double-byte character
    // can be taken for either.
    for (const char c : text) {
        if (c == '.') {
            if (digits == 0 || ++parts > kParts) {
                return false;
            }
            digits = 0;
            value = 0;
        } else if (c >= '0' && c <= '9') {
            ++digits;
            value = value * 10 + static_cast<unsigned>(c - '0');
            if (value > kMaxPart) {
                return false;
            }
        } else {
            return false;
        }
    }
    return parts == kParts && digits > 0;
}

std::uint32_t DottedQuadToNumber(const std::string& text) {
    // inet_addr gives INADDR_NONE (all ones) for what it cannot read, which
    // is the number of 255.255.255.255 itself.
    return ntohl(::inet_addr(text.c_str()));
}

bool IsReadableDottedQuad(const std::string& text) {
    in_addr address{};
    return ::inet_aton(text.c_str(), &address) != 0;
}

std::string DottedDecimal(std::uint32_t address) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (shift != 24) {
            text += '.';
        }
        text += std::to_string((address >> shift) & 0xFFu);
    }
    return text;
}

}  // namespace vantrel::scan
