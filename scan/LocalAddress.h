#pragma once
// The machine's own IPv4 address, as the window announces it and as the
// sweep's range is prefilled from.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::scan {

// One IPv4 address of a network interface.
struct InterfaceAddress {
    std::string interface;      // "eth0"
    std::uint32_t address = 0;  // host byte order
    bool up = false;
    bool loopback = false;
    std::uint32_t netmask = 0;  // host byte order; 0 when unknown
};

// One entry of the kernel's IPv4 routing table.
struct RouteEntry {
    std::string interface;
    std::uint32_t destination = 0;  // host byte order
    std::uint32_t mask = 0;
    std::uint32_t metric = 0;
    bool up = false;
};

struct LocalAddressChoice {
    std::string address;  // dotted decimal
    // The machine's other LAN addresses (non-loopback, interface up), in
    // interface order, each once; the chosen one is not among them.
    std::vector<std::string> others;
};

// The address staff are told. The host name's lookup gives the first
// entry (`lookedUp`); where that is a loopback address (Debian maps the
// host name to 127.0.1.1) nobody else can reach it, so the IPv4 address of
// the interface holding the default route (lowest metric) is taken
// instead, failing that the first non-loopback address of an interface
// that is up, and only then the looked-up loopback address itself.
LocalAddressChoice ChooseLocalAddress(std::string_view lookedUp,
                                      const std::vector<InterfaceAddress>& interfaces,
                                      const std::vector<RouteEntry>& routes);

// The netmask of the first interface that holds `address` (dotted
// decimal); 0 when none does.
std::uint32_t NetmaskOf(std::string_view address, const std::vector<InterfaceAddress>& interfaces);

// The entries of /proc/net/route's text; lines that cannot be read are
// skipped.
std::vector<RouteEntry> ParseRouteTable(std::string_view text);

// Whether a dotted-decimal text is in 127.0.0.0/8.
bool IsLoopbackText(std::string_view address);

// The first IPv4 entry of the host name's lookup, in dotted decimal.
// Throws ScanError when the host name cannot be read or the lookup fails
// or yields no IPv4 address. Defined per platform.
std::string LookUpHostAddress();
// The IPv4 addresses of the machine's interfaces (getifaddrs) and its
// routing table (/proc/net/route); empty when they cannot be read.
std::vector<InterfaceAddress> ReadInterfaceAddresses();
std::vector<RouteEntry> ReadRouteTable();

// ChooseLocalAddress over this machine's lookup, interfaces and routes.
// Throws what LookUpHostAddress throws.
LocalAddressChoice LocalAddresses();
// LocalAddresses().address.
std::string LocalAddress();
// LocalAddresses().others; empty when the lookup fails.
std::vector<std::string> OtherLocalAddresses();

}  // namespace vantrel::scan
