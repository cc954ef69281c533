#include "ValueFormats.h"

#include <algorithm>
#include <cstdio>

#include "Gbk.h"
#include "GbkLiteral.h"

namespace vantrel::collector {

namespace {

std::string Printf(const char* format, double value) {
    char text[64];
    const int length = std::snprintf(text, sizeof text, format, value);
    return length > 0 ? std::string(text, static_cast<std::size_t>(length)) : std::string();
}

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string FormatSize(std::uint64_t bytes) {
    constexpr double kGb = 1024.0 * 1024.0 * 1024.0;
    const double gb = static_cast<double>(bytes) / kGb;
    if (bytes == 0) {
        return {};
    }
    if (gb >= 10.0) {
        return Printf("%.1f GB", gb);
    }
    if (gb >= 1.0) {
        return Printf("%.2f GB", gb);
    }
    return Printf("%.0f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
}

std::string FormatMac(const unsigned char* bytes, std::size_t length) {
    if (length != 6 || std::all_of(bytes, bytes + length, [](unsigned char b) { return b == 0; })) {
        return {};
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string mac;
    for (std::size_t i = 0; i < length; ++i) {
        if (i != 0) {
            mac += ':';
        }
        mac += kHex[bytes[i] >> 4];
        mac += kHex[bytes[i] & 0x0F];
    }
    return mac;
}

std::string CleanText(std::string_view gbk) {
    std::string out;
    bool pendingBlank = false;
    for (std::size_t i = 0; i < gbk.size();) {
        const std::size_t length = text::CharLength(gbk, i);
        const auto byte = static_cast<unsigned char>(gbk[i]);
        if (length == 1 && (byte <= 0x20 || byte == 0x7F)) {
            pendingBlank = !out.empty();
        } else {
            if (pendingBlank) {
                out += ' ';
                pendingBlank = false;
            }
            out.append(gbk.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::string JoinDistinct(const std::vector<std::string>& items, std::size_t maxBytes) {
    std::vector<std::string> seen;
    std::string joined;
    for (const std::string& item : items) {
        std::string clean = CleanText(item);
        if (clean.empty() || std::find(seen.begin(), seen.end(), clean) != seen.end()) {
            continue;
        }
        if (joined.empty()) {
            joined = text::CutAtCharBoundary(clean, maxBytes);
        } else if (joined.size() + 2 + clean.size() <= maxBytes) {
            joined += "; " + clean;
        } else {
            break;
        }
        seen.push_back(std::move(clean));
    }
    return joined;
}

std::string EdidHex(std::string_view edid) {
    static constexpr std::string_view kHeader("\x00\xFF\xFF\xFF\xFF\xFF\xFF\x00", 8);
    if (edid.size() < 128 || edid.size() % 128 != 0 || edid.substr(0, 8) != kHeader) {
        return {};
    }
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(edid.size() * 2);
    for (char c : edid) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

std::string JoinOnce(const std::vector<std::string>& items, char separator) {
    std::vector<std::string_view> seen;
    std::string joined;
    for (const std::string& item : items) {
        if (item.empty() || std::find(seen.begin(), seen.end(), item) != seen.end()) {
            continue;
        }
        if (!joined.empty()) {
            joined += separator;
        }
        joined += item;
        seen.push_back(item);
    }
    return joined;
}

std::string FormatOs(std::string_view productName, unsigned major, unsigned minor, unsigned build) {
    std::string name = CleanText(productName);
    if (major == 10 && build >= 22000) {
        const std::size_t at = name.find("Windows 10");
        if (at != std::string::npos) {
            name.replace(at, 10, "Windows 11");
        }
    }
    if (name.empty()) {
        name = "Windows";
    }
    name += u8" 64位"_gbk;
    name += " (" + std::to_string(major) + "." + std::to_string(minor) + "." +
            std::to_string(build) + ")";
    return name;
}

std::string FormatBiosDate(std::string_view date) {
    const std::string clean = CleanText(date);
    if (clean.size() == 10 && clean[2] == '/' && clean[5] == '/' && IsDigits(clean.substr(0, 2)) &&
        IsDigits(clean.substr(3, 2)) && IsDigits(clean.substr(6, 4))) {
        return clean.substr(6, 4) + "-" + clean.substr(0, 2) + "-" + clean.substr(3, 2);
    }
    return clean;
}

std::string FormatBios(std::string_view maker, std::string_view version, std::string_view date) {
    std::string out;
    for (const std::string& part : {CleanText(maker), CleanText(version), FormatBiosDate(date)}) {
        if (part.empty()) {
            continue;
        }
        if (!out.empty()) {
            out += ' ';
        }
        out += part;
    }
    return out;
}

std::string FormatDisk(std::string_view model, std::uint64_t bytes) {
    const std::string name = CleanText(model);
    const std::string size = FormatSize(bytes);
    if (name.empty()) {
        return size;
    }
    return size.empty() ? name : name + " (" + size + ")";
}

std::string PcTypeOf(unsigned chassisType, BatteryState battery) {
    switch (chassisType) {
        case 8:   // portable
        case 9:   // laptop
        case 10:  // notebook
        case 11:  // hand held
        case 14:  // sub notebook
        case 30:  // tablet
        case 31:  // convertible
        case 32:  // detachable
            return std::string(kLaptop);
        case 3:   // desktop
        case 4:   // low profile desktop
        case 5:   // pizza box
        case 6:   // mini tower
        case 7:   // tower
        case 13:  // all in one
        case 15:  // space-saving
        case 16:  // lunch box
        case 34:  // embedded PC
        case 35:  // mini PC
        case 36:  // stick PC
            return std::string(kDesktop);
        default:
            break;
    }
    switch (battery) {
        case BatteryState::Present:
            return std::string(kLaptop);
        case BatteryState::None:
            return std::string(kDesktop);
        case BatteryState::Unknown:
            break;
    }
    return {};
}

}  // namespace vantrel::collector
