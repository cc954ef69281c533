#pragma once
// One report sent to "/post": sixteen named values, and for each its request
// name, its statement parameter and its column of table ip. The intake fills
// a report by request name; the report store binds it by parameter name.

#include <array>
#include <string>
#include <string_view>

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
    std::string_view requestName;
    std::string_view parameter;  // of the write statements, without the ':'
    std::string_view column;     // of table ip
    std::string HardwareReport::*value;
};

// In the order of the statement parameters x1 to x16.
inline constexpr std::array<ReportField, 16> kReportFields{{
    {"xipName", "x1", "pcname", &HardwareReport::pcname},
    {"xipUserName", "x2", "username", &HardwareReport::username},
    {"xipMac", "x3", "mac", &HardwareReport::mac},
    {"xipIp", "x4", "ip", &HardwareReport::ip},
    {"xipCpu", "x5", "cpu", &HardwareReport::cpu},
    {"xipBoard", "x6", "board", &HardwareReport::board},
    {"xipOs", "x7", "os", &HardwareReport::os},
    {"xipDorl", "x8", "pctype", &HardwareReport::pctype},
    {"xipRammax", "x9", "rammax", &HardwareReport::rammax},
    {"xipRammin", "x10", "rammin", &HardwareReport::rammin},
    {"xipBios", "x11", "bios", &HardwareReport::bios},
    {"bm", "x12", "bm", &HardwareReport::bm},
    {"dh", "x13", "dh", &HardwareReport::dh},
    {"bz", "x14", "bz", &HardwareReport::bz},
    {"xipYp", "x15", "yp", &HardwareReport::yp},
    {"xipXk", "x16", "xk", &HardwareReport::xk},
}};

// One value of a row of ip that a report overwrote with a different one.
struct ReportChange {
    std::string_view column;  // a column of kReportFields
    FieldValue oldValue;      // nullopt: the row held no value
    std::string newValue;

    bool operator==(const ReportChange&) const = default;
};

// The field bound to a statement parameter, the name matched ignoring ASCII
// case; nullptr when no field has it.
const ReportField* FieldOfParameter(std::string_view parameter);

}  // namespace vantrel::store
