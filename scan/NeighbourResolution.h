#pragma once
// How long the kernel may keep a datagram to a silent on-link address
// queued while it resolves the neighbour. Such datagrams stay charged to
// the sender's socket buffer, so after a few hundred silent addresses a
// send finds no room until the oldest resolutions fail. Defined per
// platform.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace vantrel::scan {

// Used when the kernel's settings cannot be read.
inline constexpr std::chrono::milliseconds kDefaultResolutionTime{5000};
// Added to what the settings give, for the last probe's reply and timers.
inline constexpr std::chrono::milliseconds kResolutionMargin{1000};
// No setting makes a sweep wait longer than this for room.
inline constexpr std::chrono::milliseconds kMaxResolutionTime{60000};

// Probes times the time between them, plus the margin; the default when
// either is unknown or not positive.
std::chrono::milliseconds ResolutionTime(std::optional<long> multicastProbes,
                                         std::optional<long> retransmitMs);

// The settings of the device that carries datagrams to `address` (host
// order), read from `neighbourDir` (one folder per device), as
// ResolutionTime gives them.
std::chrono::milliseconds NeighbourResolutionTime(
    std::uint32_t address, const std::string& neighbourDir = "/proc/sys/net/ipv4/neigh");

}  // namespace vantrel::scan
