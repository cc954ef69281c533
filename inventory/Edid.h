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
#include <utility>
#include <vector>

namespace vantrel::inventory {

struct EdidInfo {
    bool valid = false;   // 128 bytes or more, header and checksum right
    std::string problem;  // GBK, why not valid; empty when valid
    std::string pnpCode;  // three letters, e.g. "DEL"; empty when unreadable
    std::uint16_t productCode = 0;
    std::uint32_t serialNumber = 0;  // the numeric serial; 0: none given
    std::string serialText;          // the FF descriptor's text, trimmed
    std::string modelName;           // the FC descriptor's text, trimmed
    int week = 0;                    // of manufacture; 0: not given
    int year = 0;                    // of manufacture (or model year); 0: unknown
    int widthCm = 0;                 // 0: not given
    int heightCm = 0;
    double diagonalInches = 0;  // from widthCm and heightCm; 0: not given
    int extensionBlocks = 0;    // as block 0 announces them
};

// Decodes block 0 of `bytes`. Never throws; text fields hold printable
// ASCII only.
EdidInfo DecodeEdid(std::span<const std::uint8_t> bytes);

// The bytes of an EDID sent as hex digits (either case, no separators);
// nullopt when the text is not an even run of hex digits.
std::optional<std::vector<std::uint8_t>> EdidFromHex(std::string_view hex);

// Makers' names by PNP code, from a file in the form of Debian hwdata's
// pnp.ids: one "CODE<tab>Name" a line, in UTF-8.
class PnpMakerList {
  public:
    // Reads `path`; a missing or unreadable file gives an empty list.
    static PnpMakerList FromFile(const std::string& path);
    // The name (GBK) for `code`; the code itself when the list lacks it.
    std::string NameOf(std::string_view code) const;
    std::size_t Size() const { return names_.size(); }

  private:
    std::vector<std::pair<std::string, std::string>> names_;  // sorted by code
};

// The maker's name for a PNP code from /usr/share/hwdata/pnp.ids (read
// once, at the first call); the code itself when the file or the code is
// missing.
std::string MonitorMakerName(std::string_view pnpCode);

// "DEL U2419H" style: the maker's name (or code) and the model name, or
// the product code in hex when the EDID names no model. GBK.
std::string MonitorTitle(const EdidInfo& info);

}  // namespace vantrel::inventory
