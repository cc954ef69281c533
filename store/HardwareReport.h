#pragma once
// One report sent to "/post": sixteen named values, and for each its request
// name and its column of table ip. The intake fills a report by request
// name; the report store writes it by column.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "IpColumns.h"
#include "StoreTypes.h"

namespace vantrel::store {

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
};

struct ReportField {
    std::string_view requestName;  // of the value sent to /post
    std::string_view column;       // of table ip
    std::string HardwareReport::*value;
};

// The report's values in the order of table ip's columns; the registration
// time (the last column) is the database's own.
inline constexpr std::array<std::string HardwareReport::*, 16> kReportValues{
    &HardwareReport::pcname, &HardwareReport::username, &HardwareReport::mac,
    &HardwareReport::ip,     &HardwareReport::cpu,      &HardwareReport::board,
    &HardwareReport::os,     &HardwareReport::pctype,   &HardwareReport::rammax,
    &HardwareReport::rammin, &HardwareReport::bios,     &HardwareReport::bm,
    &HardwareReport::dh,     &HardwareReport::bz,       &HardwareReport::yp,
    &HardwareReport::xk,
};

// Each report value with its request name and column, in the columns' order.
inline constexpr std::array<ReportField, kReportValues.size()> kReportFields = [] {
    std::array<ReportField, kReportValues.size()> fields{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i] = {protocol::kIpColumns[i].formField, protocol::kIpColumns[i].name,
                     kReportValues[i]};
    }
    return fields;
}();

// One value of a row of ip that a report overwrote with a different one.
struct ReportChange {
    std::string_view column;  // a column of kReportFields
    FieldValue oldValue;      // nullopt: the row held no value
    std::string newValue;

    bool operator==(const ReportChange&) const = default;
};

}  // namespace vantrel::store
