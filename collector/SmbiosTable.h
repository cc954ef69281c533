#pragma once
// The facts read from the raw SMBIOS table that GetSystemFirmwareTable('RSMB')
// returns: an 8-byte header (calling method, major and minor version, DMI
// revision, table length) and then the structures.

#include <string>
#include <string_view>

namespace vantrel::collector {

struct SmbiosFacts {
    std::string biosVendor;  // type 0
    std::string biosVersion;
    std::string biosDate;
    std::string systemMaker;  // type 1
    std::string systemModel;
    std::string systemVersion;
    std::string systemSerial;
    std::string uuid;        // as protocol/IdentityFields.h writes it; "" for a placeholder
    std::string boardMaker;  // type 2
    std::string boardModel;
    std::string boardSerial;
    unsigned chassisType = 0;  // type 3, lock bit removed; 0 when absent
    std::string chassisSerial;
    std::string assetTag;
};

// Reads the first structure of types 0 to 3. Malformed or cut tables give
// what was read before the fault; nothing is read outside `raw`. Strings
// keep only printable ASCII, and the placeholders firmware leaves
// ("To be filled by O.E.M.", "Default string", ...; IdentityPlaceholders.h)
// read as "". The UUID's first three fields are little-endian from SMBIOS
// 2.6 on (the header's version), big-endian before.
SmbiosFacts ParseSmbios(std::string_view raw);

// Board maker and model, each cleaned, joined by a blank; the system's maker
// and model when the board names neither.
std::string BoardText(const SmbiosFacts& facts);

// The product name, and after a blank the version where it says more than
// the name: not empty and not already inside the name (ignoring ASCII case).
std::string ModelText(const std::string& name, const std::string& version);

}  // namespace vantrel::collector
