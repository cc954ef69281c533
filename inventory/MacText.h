#pragma once
// MAC address texts as the inventory, the online list and office lists
// write them: "00.1A.2B...", "00-1a-2b...", "00:1A:2B...", "001a.2b3c.4d5e"
// and "001A2B3C4D5E" are one address.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel::inventory {

// `mac` with each ".", ":" and "-" replaced by `separator`. Double-byte
// characters of code page 936 pass unchanged.
std::string WithMacSeparator(std::string_view mac, char separator);

// The 48 bits of a MAC written as six pairs of hex digits with one of "-",
// ":" or "." between every pair, as three groups of four with one of them
// between every group (as network switches print it), or as twelve digits
// without any; either letter case. Nullopt for any other text.
std::optional<std::uint64_t> MacBits(std::string_view text);

// All zeros or all F: what some tools write where they know no MAC.
bool IsPlaceholderMac(std::uint64_t bits);

// "02:4F:00:00:0A:01", as reports store a MAC.
std::string MacTextOf(std::uint64_t bits);

// The texts a stored MAC reading as `bits` may have, but for letter case:
// pairs with ":", "-" or ".", groups of four with ".", and bare digits.
std::array<std::string, 5> MacNotations(std::uint64_t bits);

}  // namespace vantrel::inventory
