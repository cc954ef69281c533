#pragma once
// Text rules for IPv4 addresses as the window shows them.

#include <string>
#include <string_view>

namespace vantrel::scan {

// The prefix of the default sweep range: `address` up to and including its
// third "." when that dot lies within the first 15 characters; otherwise
// the first 16 characters (all of `address` when shorter). The range then
// runs from prefix + "1" to prefix + "254".
std::string AddressPrefix(std::string_view address);

}  // namespace vantrel::scan
