#include "LastSeen.h"

#include "Gbk.h"

namespace vantrel::inventory {

std::string SeenKeyOfMac(std::string_view mac) {
    std::string digits;
    bool isMac = true;
    for (char c : mac) {
        if (c == '.' || c == ':' || c == '-') {
            continue;
        }
        if (text::AsciiHexValue(c) < 0) {
            isMac = false;
            break;
        }
        digits.push_back(text::AsciiUpper(c));
    }
    if (isMac && digits.size() == 12) {
        return digits == "000000000000" ? std::string() : digits;
    }
    // Not a MAC: the text itself, ASCII letters folded; a double-byte
    // character passes whole, since its trail byte may look like a letter.
    return text::AsciiUpper(mac);
}

std::string SeenKeyOfAddress(std::string_view address) {
    return "IP " + std::string(address);
}

std::optional<SeenRecord> SeenOfRow(const SeenIndex& seen, std::string_view mac,
                                    std::string_view ip) {
    std::optional<SeenRecord> result;
    const std::string key = SeenKeyOfMac(mac);
    if (!key.empty()) {
        if (auto found = seen.find(key); found != seen.end()) {
            result = found->second;
        }
    }
    if (!ip.empty()) {
        if (auto found = seen.find(SeenKeyOfAddress(ip)); found != seen.end()) {
            if (!result) {
                result.emplace();
                if (key.empty()) {
                    // A report under no MAC is kept under its address too.
                    result->reportTime = found->second.reportTime;
                    result->reportAddress = found->second.reportAddress;
                }
            }
            // Times are "YYYY-MM-DD HH:MM:SS": text order is time order.
            if (found->second.onlineTime > result->onlineTime) {
                result->onlineTime = found->second.onlineTime;
                result->address = found->second.address;
                result->name = found->second.name;
                result->sweepTime = found->second.sweepTime;
            }
        }
    }
    return result;
}

}  // namespace vantrel::inventory
