#pragma once
// Text rules for IPv4 addresses as the window shows them.

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::scan {

// The prefix of the default sweep range: `address` up to and including its
// third "." when that dot lies within the first 15 characters; otherwise
// the first 16 characters (all of `address` when shorter). The range then
// runs from prefix + "1" to prefix + "254".
std::string AddressPrefix(std::string_view address);

// The sweep range filled in for the local address.
struct SweepRange {
    std::string first;
    std::string last;
};

// The range for `address` on an interface with `netmask` (host byte order;
// 0 when unknown). A network smaller than a /24 is taken whole: its host
// addresses (a /31's two, a /32's one). Anything larger, or an unknown or
// non-contiguous mask, gives the /24 around the address (.1 to .254): a
// /16 swept at the sweep's pace would take hours. A text that is not a
// dotted quad keeps AddressPrefix's rule (prefix + "1" to prefix + "254").
SweepRange PrefillRange(std::string_view address, std::uint32_t netmask);

// The check of a range address typed by the user: only digits and ".",
// exactly four non-empty parts, each at most 255 in decimal. Leading zeros
// pass (192.168.001.010).
bool IsValidIPv4Text(std::string_view text);

// The classic dotted-quad conversion (inet_addr rules: a part with a
// leading 0 is octal, 0x is hex, fewer than four parts fill the low bytes)
// in host byte order; 255.255.255.255 for a text it cannot read.
std::uint32_t DottedQuadToNumber(const std::string& text);

// Whether the classic conversion reads `text` as an address, rather than
// giving up with 255.255.255.255 (a part such as 08 or 09 is not octal).
bool IsReadableDottedQuad(const std::string& text);

// "%d.%d.%d.%d" of a host-order number, first octet first.
std::string DottedDecimal(std::uint32_t address);

}  // namespace vantrel::scan
