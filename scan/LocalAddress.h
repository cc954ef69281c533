#pragma once
// The machine's own IPv4 address, as the window announces it.

#include <string>

namespace vantrel::scan {

// Looks up the addresses registered for this machine's host name and returns
// the first IPv4 entry in dotted decimal (127.x.x.x on a machine without a
// configured network). Throws ScanError when the host name cannot be read or
// the lookup fails or yields no IPv4 address. Defined per platform.
std::string LocalAddress();

}  // namespace vantrel::scan
