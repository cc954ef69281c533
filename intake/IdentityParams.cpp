#include "IdentityParams.h"

#include <algorithm>
#include <array>

#include "Edid.h"
#include "Gbk.h"
#include "IdentityFields.h"
#include "IdentityPlaceholders.h"
#include "MacText.h"

namespace vantrel::intake {

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::string FirmwareValue(std::string_view text) {
    text = Trimmed(text);
    if (protocol::IsPlaceholderText(text)) {
        return {};
    }
    return std::string(text::CutAtCharBoundary(text, kMaxIdentityValueBytes));
}

// 36 lower-case characters 8-4-4-4-12, or "" for a placeholder or no UUID.
std::string UuidValue(std::string_view text) {
    text = Trimmed(text);
    if (protocol::IsPlaceholderUuid(text)) {
        return {};
    }
    std::string digits;
    for (char c : text) {
        if (c != '-') {
            digits += text::AsciiLower(c);
        }
    }
    if (digits.size() != 32) {
        return {};
    }
    for (std::size_t at : {8, 13, 18, 23}) {
        digits.insert(at, 1, '-');
    }
    return digits;
}

// The parts of a list separated by kListSeparator, blanks trimmed, empty
// ones left out.
std::vector<std::string_view> ListItems(std::string_view list) {
    std::vector<std::string_view> items;
    while (!list.empty()) {
        const std::size_t end = list.find(protocol::kListSeparator);
        const std::string_view item = Trimmed(list.substr(0, end));
        if (!item.empty()) {
            items.push_back(item);
        }
        list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
    }
    return items;
}

}  // namespace

store::ReportIdentity IdentityOf(const HttpRequest& request) {
    store::ReportIdentity identity;
    struct DeviceField {
        std::string_view name;
        std::string store::DeviceIdentity::*value;
    };
    constexpr std::array<DeviceField, 7> kDeviceFields{{
        {protocol::kMakerField, &store::DeviceIdentity::maker},
        {protocol::kModelField, &store::DeviceIdentity::model},
        {protocol::kSerialField, &store::DeviceIdentity::serial},
        {protocol::kBoardSerialField, &store::DeviceIdentity::boardSerial},
        {protocol::kChassisSerialField, &store::DeviceIdentity::chassisSerial},
        {protocol::kAssetTagField, &store::DeviceIdentity::assetTag},
        {protocol::kUuidField, &store::DeviceIdentity::uuid},
    }};
    for (const DeviceField& field : kDeviceFields) {
        std::optional<std::string> value = FindParam(request, field.name);
        if (!value) {
            continue;
        }
        if (!identity.device) {
            identity.device.emplace();
        }
        (*identity.device).*field.value =
            field.value == &store::DeviceIdentity::uuid ? UuidValue(*value) : FirmwareValue(*value);
    }
    if (std::optional<std::string> list = FindParam(request, protocol::kMonitorsField)) {
        auto& monitors = identity.monitors.emplace();
        for (std::string_view hex : ListItems(*list)) {
            if (monitors.size() == kMaxMonitors) {
                break;
            }
            // Text that is no run of hex digits holds no bytes to keep.
            std::optional<std::vector<std::uint8_t>> bytes = inventory::EdidFromHex(hex);
            if (bytes && !bytes->empty() && bytes->size() <= kMaxEdidBytes) {
                monitors.push_back(std::move(*bytes));
            }
        }
    }
    if (std::optional<std::string> list = FindParam(request, protocol::kMacsField)) {
        auto& macs = identity.macs.emplace();
        for (std::string_view item : ListItems(*list)) {
            const auto bits = inventory::MacBits(item);
            if (!bits || inventory::IsPlaceholderMac(*bits)) {
                continue;
            }
            std::string mac = inventory::MacTextOf(*bits);
            if (std::find(macs.begin(), macs.end(), mac) == macs.end()) {
                macs.push_back(std::move(mac));
            }
            if (macs.size() == kMaxListedMacs) {
                break;
            }
        }
    }
    return identity;
}

}  // namespace vantrel::intake
