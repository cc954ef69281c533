#pragma once
// Reports that carry firmware values, monitors and listed MACs, and the
// EDIDs of made-up monitors.

#include <cstdint>
#include <string>
#include <vector>

#include "ReportStoreFixture.h"

namespace vantrel::store::testing {

// A sound 128-byte EDID: maker code, product code, numeric serial, and the
// model name and text serial as descriptors when given.
inline std::vector<std::uint8_t> MakeEdid(const char maker[3], std::uint16_t product,
                                          std::uint32_t serial, const std::string& model,
                                          const std::string& serialText) {
    std::vector<std::uint8_t> edid(128, 0);
    const std::uint8_t header[8] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    std::copy(header, header + 8, edid.begin());
    const unsigned id = ((maker[0] - '@') << 10) | ((maker[1] - '@') << 5) | (maker[2] - '@');
    edid[8] = static_cast<std::uint8_t>(id >> 8);
    edid[9] = static_cast<std::uint8_t>(id & 0xFF);
    edid[10] = static_cast<std::uint8_t>(product & 0xFF);
    edid[11] = static_cast<std::uint8_t>(product >> 8);
    for (int i = 0; i < 4; ++i) {
        edid[12 + i] = static_cast<std::uint8_t>(serial >> (8 * i));
    }
    edid[16] = 10;  // week
    edid[17] = 29;  // 2019
    edid[18] = 1;
    edid[19] = 4;
    edid[21] = 53;  // 53 x 30 cm
    edid[22] = 30;
    edid[54] = 0x02;  // a detailed timing first, as every monitor has
    edid[55] = 0x3A;
    auto descriptor = [&edid](std::size_t at, std::uint8_t tag, const std::string& text) {
        edid[at + 3] = tag;
        std::size_t i = 0;
        for (; i < text.size() && i < 13; ++i) {
            edid[at + 5 + i] = static_cast<std::uint8_t>(text[i]);
        }
        if (i < 13) {
            edid[at + 5 + i++] = 0x0A;
        }
        for (; i < 13; ++i) {
            edid[at + 5 + i] = 0x20;
        }
    };
    descriptor(72, model.empty() ? 0x10 : 0xFC, model);
    descriptor(90, serialText.empty() ? 0x10 : 0xFF, serialText);
    descriptor(108, 0x10, "");
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i) {
        sum += edid[static_cast<std::size_t>(i)];
    }
    edid[127] = static_cast<std::uint8_t>((256 - sum % 256) % 256);
    return edid;
}

// A collector's report of `mac` with the given firmware values.
inline HardwareReport CollectorReport(const std::string& mac, const std::string& uuid,
                                      const std::string& serial,
                                      const std::vector<std::string>& macs = {},
                                      const std::string& pcname = "pc") {
    HardwareReport report = Report(mac, pcname);
    DeviceIdentity device;
    device.maker = "Lenovo";
    device.model = "ThinkPad T14";
    device.serial = serial;
    device.uuid = uuid;
    report.identity.device = device;
    report.identity.macs = macs;
    report.identity.monitors.emplace();
    return report;
}

}  // namespace vantrel::store::testing
