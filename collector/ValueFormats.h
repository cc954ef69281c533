#pragma once
// How detected facts are written into the report: the texts and formats the
// page uses where it fills the same field ("台式"/"笔记本", "16 GB"), and
// plain, trimmed text elsewhere. Every text is code page 936 bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>
#include "GbkLiteral.h"

namespace vantrel::collector {

// The page's two values of the PC type.
inline const std::string& kDesktop = u8"台式"_gbk;
inline const std::string& kLaptop = u8"笔记本"_gbk;

// A size in binary units as Windows shows it: "15.9 GB" from 10 GB up,
// "3.87 GB" from 1 GB, "512 MB" below; "" for 0.
std::string FormatSize(std::uint64_t bytes);

// Six bytes as uppercase hex pairs joined by ':', as the intake writes a
// MAC from the neighbour table; "" unless there are exactly six bytes and
// not all are zero.
std::string FormatMac(const unsigned char* bytes, std::size_t length);

// Control characters and runs of blanks become one blank, both ends are
// trimmed; double-byte characters are kept whole.
std::string CleanText(std::string_view gbk);

// The non-empty cleaned texts, each once, joined by "; " as far as they fit
// whole in `maxBytes`; a first text longer than that alone is cut at a
// character boundary.
std::string JoinDistinct(const std::vector<std::string>& items, std::size_t maxBytes = 255);

// A monitor's EDID as upper-case hex, two digits per byte; "" unless it is
// whole: 128 bytes or a multiple, starting with the EDID header.
std::string EdidHex(std::string_view edid);

// The non-empty items, each once, in their order, joined by `separator`
// (the lists of protocol/IdentityFields.h).
std::string JoinOnce(const std::vector<std::string>& items, char separator);

// "Windows 10 Pro 64位 (10.0.19045)": the product name as the registry
// holds it (which says "Windows 10" also on Windows 11, build 22000 and
// up), the page's " 64位", and the version with its build.
std::string FormatOs(std::string_view productName, unsigned major, unsigned minor, unsigned build);

// "mm/dd/yyyy" (the SMBIOS form) as "yyyy-mm-dd"; other texts cleaned.
std::string FormatBiosDate(std::string_view date);

// Maker, version and date, each cleaned, joined by blanks.
std::string FormatBios(std::string_view maker, std::string_view version, std::string_view date);

// "model (465.8 GB)"; the size alone when the model is empty.
std::string FormatDisk(std::string_view model, std::uint64_t bytes);

enum class BatteryState { Unknown, None, Present };

// The page's PC type from the SMBIOS chassis type (0 when unknown): portable
// kinds are laptops, desktop and tower kinds desktops; any other kind is
// decided by the battery, and "" when that is unknown too.
std::string PcTypeOf(unsigned chassisType, BatteryState battery);

}  // namespace vantrel::collector
