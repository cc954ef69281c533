#pragma once
// What the collector sends: the detected facts, the person's own entries,
// and the command line that can give both the entries and the server.

#include <string>
#include <vector>

#include "FormEncoding.h"
#include "SoftwareList.h"

namespace vantrel::collector {

// Detected facts, code page 936 text in the formats of ValueFormats.h.
struct HardwareFacts {
    std::string pcName;
    std::string cpu;
    std::string board;
    std::string bios;
    std::string os;
    std::string pcType;    // "台式", "笔记本" or ""
    std::string ramTotal;  // "15.9 GB"
    std::string ramFree;
    std::string disks;  // "model (size); model (size)"
    std::string graphics;
    std::string mac;  // of the adapter that routes to the server
    std::string ip;
    // What tells this PC from others, in the layouts of
    // protocol/IdentityFields.h; placeholders are left empty.
    std::string maker;
    std::string model;
    std::string serial;
    std::string uuid;
    std::string boardSerial;
    std::string chassisSerial;
    std::string assetTag;
    std::string monitors;  // EDIDs in hex, "," between monitors
    std::string macs;      // every physical network card's MAC, "," between them
    // The installed programs (protocol/SoftwareField.h).
    SoftwareList software;
};

// What the person types; the user name is required.
struct PersonEntries {
    std::string user;
    std::string dept;
    std::string tel;
    std::string note;
};

// The report's named values in the page's order, then the ones only the
// collector fills, then the PC's identity (protocol/IdentityFields.h).
// Every name is present, empty values included; then the installed
// programs, only when some were found (protocol/SoftwareField.h).
FormFields ReportFields(const HardwareFacts& facts, const PersonEntries& person);

// Lines "label：value" (GBK) of the detected facts, for the window and
// --silent output; empty facts show as "（未检测到）".
std::string DescribeFacts(const HardwareFacts& facts);

struct CommandLine {
    bool silent = false;
    std::string server;  // from --server, "" when not given
    PersonEntries person;
};

// Reads --silent, --server HOST[:PORT], --user, --dept, --tel and --note
// (each also as --name=value). Throws std::runtime_error with a GBK message
// on an unknown option, a missing value, an invalid server address, or
// --silent without a user name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace vantrel::collector
