#include <algorithm>
#include <charconv>
#include <optional>

#include "Ipv4Text.h"
#include "LocalAddress.h"
#include "ScanError.h"

namespace vantrel::scan {

namespace {

constexpr std::uint32_t kLoopbackNet = 0x7f000000;
constexpr std::uint32_t kLoopbackMask = 0xff000000;

bool IsLoopbackNumber(std::uint32_t address) {
    return (address & kLoopbackMask) == kLoopbackNet;
}

bool IsLan(const InterfaceAddress& entry) {
    return entry.up && !entry.loopback && !IsLoopbackNumber(entry.address) && entry.address != 0;
}

// A hexadecimal field of /proc/net/route: the kernel prints the address in
// network byte order as one little-endian number on x86.
std::optional<std::uint32_t> Hex(std::string_view field) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, 16);
    if (error != std::errc() || end != field.data() + field.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint32_t> Decimal(std::string_view field) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size()) {
        return std::nullopt;
    }
    return value;
}

// The route table's field bytes as written (network order read as a
// host-order number) turned into a host-order address.
std::uint32_t FromKernelOrder(std::uint32_t raw) {
    const std::uint8_t* bytes = reinterpret_cast<const std::uint8_t*>(&raw);
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            fields.push_back(line.substr(start, i - start));
        }
    }
    return fields;
}

constexpr unsigned kRouteUp = 0x1;  // RTF_UP

}  // namespace

bool IsLoopbackText(std::string_view address) {
    return IsValidIPv4Text(address) && IsLoopbackNumber(DottedQuadToNumber(std::string(address)));
}

std::uint32_t NetmaskOf(std::string_view address, const std::vector<InterfaceAddress>& interfaces) {
    if (!IsValidIPv4Text(address)) {
        return 0;
    }
    const std::uint32_t number = DottedQuadToNumber(std::string(address));
    const auto found =
        std::find_if(interfaces.begin(), interfaces.end(),
                     [number](const auto& entry) { return entry.address == number; });
    return found != interfaces.end() ? found->netmask : 0;
}

std::vector<RouteEntry> ParseRouteTable(std::string_view text) {
    std::vector<RouteEntry> routes;
    bool header = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (header) {
            header = false;
            continue;
        }
        // Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT
        const std::vector<std::string_view> fields = Fields(line);
        if (fields.size() < 8) {
            continue;
        }
        const auto destination = Hex(fields[1]);
        const auto flags = Hex(fields[3]);
        const auto metric = Decimal(fields[6]);
        const auto mask = Hex(fields[7]);
        if (!destination || !flags || !metric || !mask) {
            continue;
        }
        routes.push_back({std::string(fields[0]), FromKernelOrder(*destination),
                          FromKernelOrder(*mask), *metric, (*flags & kRouteUp) != 0});
    }
    return routes;
}

LocalAddressChoice ChooseLocalAddress(std::string_view lookedUp,
                                      const std::vector<InterfaceAddress>& interfaces,
                                      const std::vector<RouteEntry>& routes) {
    LocalAddressChoice choice;
    choice.address = std::string(lookedUp);
    if (IsLoopbackText(lookedUp)) {
        const RouteEntry* best = nullptr;
        for (const RouteEntry& route : routes) {
            if (route.up && route.destination == 0 && route.mask == 0 &&
                (best == nullptr || route.metric < best->metric)) {
                const bool usable =
                    std::any_of(interfaces.begin(), interfaces.end(), [&](const auto& entry) {
                        return entry.interface == route.interface && IsLan(entry);
                    });
                if (usable) {
                    best = &route;
                }
            }
        }
        const auto chosen =
            std::find_if(interfaces.begin(), interfaces.end(), [best](const auto& entry) {
                return IsLan(entry) && (best == nullptr || entry.interface == best->interface);
            });
        if (chosen != interfaces.end()) {
            choice.address = DottedDecimal(chosen->address);
        }
    }
    for (const InterfaceAddress& entry : interfaces) {
        if (!IsLan(entry)) {
            continue;
        }
        std::string text = DottedDecimal(entry.address);
        if (text != choice.address &&
            std::find(choice.others.begin(), choice.others.end(), text) == choice.others.end()) {
            choice.others.push_back(std::move(text));
        }
    }
    return choice;
}

LocalAddressChoice LocalAddresses() {
    return ChooseLocalAddress(LookUpHostAddress(), ReadInterfaceAddresses(), ReadRouteTable());
}

std::string LocalAddress() {
    return LocalAddresses().address;
}

std::vector<std::string> OtherLocalAddresses() {
    try {
        return LocalAddresses().others;
    } catch (const ScanError&) {
        return {};
    }
}

}  // namespace vantrel::scan
