// The host-name lookup (gethostname, getaddrinfo), the interfaces
// (getifaddrs) and the routing table (/proc/net/route).
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

#include "LocalAddress.h"
#include "ScanError.h"

namespace vantrel::scan {

std::string LookUpHostAddress() {
    std::array<char, 256> host{};
    if (::gethostname(host.data(), host.size() - 1) != 0) {
        throw ScanError(std::string("Socket Error: gethostname failed: ") + std::strerror(errno));
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    // One entry per address, not one per socket type.
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    int rc = ::getaddrinfo(host.data(), nullptr, &hints, &found);
    if (rc != 0) {
        throw ScanError(std::string("Socket Error: host name lookup of \"") + host.data() +
                        "\" failed: " + ::gai_strerror(rc));
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, &::freeaddrinfo);
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addr == nullptr) {
            continue;
        }
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        std::array<char, INET_ADDRSTRLEN> text{};
        if (::inet_ntop(AF_INET, &address->sin_addr, text.data(), text.size()) != nullptr) {
            return text.data();
        }
    }
    throw ScanError(std::string("Socket Error: host name lookup of \"") + host.data() +
                    "\" returned no IPv4 address");
}

std::vector<InterfaceAddress> ReadInterfaceAddresses() {
    ifaddrs* found = nullptr;
    if (::getifaddrs(&found) != 0) {
        return {};
    }
    std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> list(found, &::freeifaddrs);
    std::vector<InterfaceAddress> addresses;
    for (const ifaddrs* entry = found; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        std::uint32_t netmask = 0;
        if (entry->ifa_netmask != nullptr && entry->ifa_netmask->sa_family == AF_INET) {
            netmask =
                ntohl(reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr);
        }
        addresses.push_back({entry->ifa_name != nullptr ? entry->ifa_name : "",
                             ntohl(address->sin_addr.s_addr), (entry->ifa_flags & IFF_UP) != 0,
                             (entry->ifa_flags & IFF_LOOPBACK) != 0, netmask});
    }
    return addresses;
}

std::vector<RouteEntry> ReadRouteTable() {
    std::ifstream in("/proc/net/route", std::ios::binary);
    if (!in) {
        return {};
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return ParseRouteTable(text);
}

}  // namespace vantrel::scan
