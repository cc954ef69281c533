// NeighbourResolutionTime on Linux: the device is the one holding the source
// address the kernel picks for the destination; its settings come from
// /proc/sys/net/ipv4/neigh/<device>/.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "NeighbourResolution.h"

namespace vantrel::scan {

namespace {

// The interface whose IPv4 address the kernel would send from to
// `address`; "" when there is none. Connecting a datagram socket only
// looks up the route: nothing is sent.
std::string OutgoingDevice(std::uint32_t address) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return {};
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(137);
    peer.sin_addr.s_addr = htonl(address);
    sockaddr_in local{};
    socklen_t length = sizeof local;
    const bool routed = ::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0 &&
                        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0;
    ::close(fd);
    if (!routed) {
        return {};
    }
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return {};
    }
    std::string device;
    for (const ifaddrs* entry = list; entry != nullptr && device.empty(); entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET &&
            reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr ==
                local.sin_addr.s_addr) {
            device = entry->ifa_name;
        }
    }
    ::freeifaddrs(list);
    return device;
}

std::optional<long> ReadNumber(const std::string& path) {
    std::ifstream in(path);
    long value = 0;
    if (in >> value) {
        return value;
    }
    return std::nullopt;
}

}  // namespace

std::chrono::milliseconds ResolutionTime(std::optional<long> multicastProbes,
                                         std::optional<long> retransmitMs) {
    if (!multicastProbes || !retransmitMs || *multicastProbes <= 0 || *retransmitMs <= 0) {
        return kDefaultResolutionTime;
    }
    // Bounded before multiplying, so that no setting overflows.
    const long probes = std::min<long>(*multicastProbes, kMaxResolutionTime.count());
    const long each = std::min<long>(*retransmitMs, kMaxResolutionTime.count());
    return std::min(std::chrono::milliseconds(probes * each) + kResolutionMargin,
                    kMaxResolutionTime);
}

std::chrono::milliseconds NeighbourResolutionTime(std::uint32_t address,
                                                  const std::string& neighbourDir) {
    const std::string device = OutgoingDevice(address);
    if (device.empty() || device == "." || device == ".." ||
        device.find('/') != std::string::npos) {
        return kDefaultResolutionTime;
    }
    const std::string dir = neighbourDir + "/" + device + "/";
    return ResolutionTime(ReadNumber(dir + "mcast_solicit"), ReadNumber(dir + "retrans_time_ms"));
}

}  // namespace vantrel::scan
