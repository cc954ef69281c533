// LocalAddress through gethostname and getaddrinfo.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

#include "LocalAddress.h"
#include "ScanError.h"

namespace vantrel::scan {

std::string LocalAddress() {
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

}  // namespace vantrel::scan
