#pragma once
// MAC address texts as the inventory and the online list write them:
// "00.1A.2B..." and "00-1a-2b..." and "00:1A:2B..." are one address.

#include <string>
#include <string_view>

namespace vantrel::inventory {

// `mac` with each ".", ":" and "-" replaced by `separator`. Double-byte
// characters of code page 936 pass unchanged.
std::string WithMacSeparator(std::string_view mac, char separator);

}  // namespace vantrel::inventory
