#pragma once
// Comparing MAC address texts as the inventory and the online list write
// them: "00.1a.2B..." and "00-1A-2B..." and "00:1A:2B..." are one address.

#include <string>
#include <string_view>

namespace vantrel::scan {

// `mac` with ASCII letters in upper case and each of ".", ":" and "-" as
// ":". Double-byte characters of code page 936 pass unchanged.
std::string MacKey(std::string_view mac);

}  // namespace vantrel::scan
