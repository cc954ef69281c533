#include "NeighbourTable.h"

#include <fstream>
#include <sstream>

#include "Gbk.h"

namespace vantrel::intake {

namespace {

// ATF_COM of <net/if_arp.h>: the entry's hardware address is resolved.
constexpr unsigned long kFlagComplete = 0x2;

// "aa:bb:cc:dd:ee:ff" -> "AA:BB:CC:DD:EE:FF"; "" for any other shape and
// for the all-zero address of an incomplete entry.
std::string NormaliseMac(std::string_view text) {
    if (text.size() != 17) {
        return {};
    }
    std::string mac;
    bool allZero = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i % 3 == 2) {
            if (c != ':') {
                return {};
            }
            mac += ':';
            continue;
        }
        if (!text::IsAsciiHexDigit(c)) {
            return {};
        }
        if (c != '0') {
            allZero = false;
        }
        mac += text::AsciiUpper(c);
    }
    return allZero ? std::string() : mac;
}

}  // namespace

NeighbourTable::NeighbourTable(std::string path) : path_(std::move(path)) {}

std::string NeighbourTable::MacOf(std::string_view address) const {
    if (address.empty()) {
        return {};
    }
    std::ifstream in(path_);
    std::string line;
    // The first line holds the column titles.
    if (!in || !std::getline(in, line)) {
        return {};
    }
    // Columns: IP address, HW type, Flags, HW address, Mask, Device.
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string ip, hwType, flags, hwAddress;
        if (!(fields >> ip >> hwType >> flags >> hwAddress) || ip != address) {
            continue;
        }
        unsigned long flagBits = 0;
        try {
            flagBits = std::stoul(flags, nullptr, 16);
        } catch (const std::exception&) {
            continue;
        }
        if ((flagBits & kFlagComplete) == 0) {
            continue;
        }
        std::string mac = NormaliseMac(hwAddress);
        if (!mac.empty()) {
            return mac;
        }
    }
    return {};
}

}  // namespace vantrel::intake
