#pragma once
// One report sent to "/post": sixteen named values, and for each its request
// name and its column of table ip. The intake fills a report by request
// name; the report store writes it by column.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "IpColumns.h"
#include "StoreTypes.h"

namespace vantrel::store {

// What the firmware tells of the PC (SMBIOS). A placeholder is "".
struct DeviceIdentity {
    std::string maker;
    std::string model;
    std::string serial;  // the system's
    std::string boardSerial;
    std::string chassisSerial;
    std::string assetTag;
    std::string uuid;  // 36 lower-case characters with dashes, or ""

    bool operator==(const DeviceIdentity&) const = default;
};

// The values beside the sixteen that tell which PC sent a report. Each part
// is nullopt when the report did not send it (the browser page sends none):
// what is stored of it then stays as it is. Sent but empty is a value.
struct ReportIdentity {
    std::optional<DeviceIdentity> device;
    // The raw EDID of each connected monitor.
    std::optional<std::vector<std::vector<std::uint8_t>>> monitors;
    // Every physical network card's MAC as MacTextOf writes it, each once.
    std::optional<std::vector<std::string>> macs;

    bool Sent() const { return device || monitors || macs; }
};

struct HardwareReport {
    std::string pcname;    // computer name
    std::string username;  // user of the PC
    std::string mac;       // the key; written on insert only
    std::string ip;
    std::string cpu;
    std::string board;
    std::string os;
    std::string pctype;  // desktop or notebook
    std::string rammax;  // memory size
    std::string rammin;  // available physical memory
    std::string bios;
    std::string bm;  // department
    std::string dh;  // telephone
    std::string bz;  // remark
    std::string yp;  // hard disks
    std::string xk;  // graphics card
    ReportIdentity identity;
};

struct ReportField {
    std::string_view requestName;  // of the value sent to /post
    std::string_view column;       // of table ip
    std::string HardwareReport::*value;
};

// The member holding a column's value; null for the registration time
// (djsj), which is the database's own.
constexpr std::string HardwareReport::*ValueOf(protocol::IpColumnId column) {
    using enum protocol::IpColumnId;
    switch (column) {
        case pcname:
            return &HardwareReport::pcname;
        case username:
            return &HardwareReport::username;
        case mac:
            return &HardwareReport::mac;
        case ip:
            return &HardwareReport::ip;
        case cpu:
            return &HardwareReport::cpu;
        case board:
            return &HardwareReport::board;
        case os:
            return &HardwareReport::os;
        case pctype:
            return &HardwareReport::pctype;
        case rammax:
            return &HardwareReport::rammax;
        case rammin:
            return &HardwareReport::rammin;
        case bios:
            return &HardwareReport::bios;
        case bm:
            return &HardwareReport::bm;
        case dh:
            return &HardwareReport::dh;
        case bz:
            return &HardwareReport::bz;
        case yp:
            return &HardwareReport::yp;
        case xk:
            return &HardwareReport::xk;
        case djsj:
            return nullptr;
    }
    return nullptr;
}

// Each report value with its request name and column, in the columns'
// order; the registration time, the last column, is left out.
inline constexpr std::array<ReportField, protocol::kIpColumnCount - 1> kReportFields = [] {
    std::array<ReportField, protocol::kIpColumnCount - 1> fields{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i] = {protocol::kIpColumns[i].formField, protocol::kIpColumns[i].name,
                     ValueOf(static_cast<protocol::IpColumnId>(i))};
    }
    return fields;
}();
static_assert(ValueOf(protocol::IpColumnId::djsj) == nullptr &&
                  protocol::IndexOf(protocol::IpColumnId::djsj) == kReportFields.size(),
              "every column but the last, the registration time, is a report value");

// One value of a row of ip that a report overwrote with a different one.
struct ReportChange {
    std::string_view column;  // a column of kReportFields
    FieldValue oldValue;      // nullopt: the row held no value
    std::string newValue;

    bool operator==(const ReportChange&) const = default;
};

}  // namespace vantrel::store
