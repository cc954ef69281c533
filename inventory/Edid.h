#pragma once
// Decoding of a monitor's EDID (VESA E-EDID 1.3/1.4 base block): maker,
// product, both serial numbers, model name, date of manufacture and size.
// The collectors send the raw bytes; the program decodes them when it
// stores and when it shows them, so a newer maker list changes what is
// shown without touching what is stored. A damaged or truncated EDID is
// described, never trusted: `valid` is false and `problem` says why.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::inventory {

struct EdidInfo {
    bool valid = false;       // 128 bytes or more, header and checksum right
    std::string problem;      // GBK, why not valid; empty when valid
    std::string pnpCode;      // three letters, e.g. "DEL"; empty when unreadable
    std::uint16_t productCode = 0;
    std::uint32_t serialNumber = 0;  // the numeric serial; 0: none given
    std::string serialText;          // the FF descriptor's text, trimmed
    std::string modelName;           // the FC descriptor's text, trimmed
    int week = 0;                    // of manufacture; 0: not given
    int year = 0;                    // of manufacture (or model year); 0: unknown
    int widthCm = 0;                 // 0: not given
    int heightCm = 0;
    double diagonalInches = 0;       // from widthCm and heightCm; 0: not given
    int extensionBlocks = 0;         // as block 0 announces them
};

// Decodes block 0 of `bytes`. Never throws; text fields hold printable
// ASCII only.
EdidInfo DecodeEdid(std::span<const std::uint8_t> bytes);

// The bytes of an EDID sent as hex digits (either case, no separators);
// nullopt when the text is not an even run of hex digits.
std::optional<std::vector<std::uint8_t>> EdidFromHex(std::string_view hex);

// The maker's name for a PNP code, from Debian hwdata's
// /usr/share/hwdata/pnp.ids (read once); the code itself when the file or
// the code is missing. UTF-8 in the file is returned as GBK.
std::string MonitorMakerName(std::string_view pnpCode);

}  // namespace vantrel::inventory
