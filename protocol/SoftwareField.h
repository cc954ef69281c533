#pragma once
// The installed programs a collector sends beside the identity values
// (IdentityFields.h): one form value, one program a line, seven fields a
// line separated by a tab:
//
//   name \t version \t publisher \t installdate \t bits \t scope \t app
//
// - installdate: "YYYY-MM-DD" or "".
// - bits: "32", "64" or "".
// - scope: "machine" or "user" (Windows: the Uninstall key of the machine
//   or of the user who ran the collector); on Linux the package system:
//   "dpkg", "rpm", "flatpak" or "snap"; "" when unknown.
// - app: "1" for an application (every Windows Uninstall entry, a Linux
//   package that installs a desktop entry, a flatpak app, a snap), else "0".
//
// Text is code page 936 (GBK); a character GBK cannot hold is sent as "?",
// and a tab or line break inside a value as a blank. The collectors end a
// line with "\n" and write none after the last; a reader also takes "\r\n"
// and a final line break. Each name, version and bits is sent once.
//
// A collector that found no program leaves the value out, as the browser
// page does: a report without it leaves the PC's list as it is, so a failed
// reading never empties a list.

#include <cstddef>
#include <string_view>

namespace vantrel::protocol {

inline constexpr std::string_view kSoftwareField = "xipSoftware";

// Fields of a line, in their order.
inline constexpr std::size_t kSoftwareColumns = 7;
inline constexpr char kSoftwareSeparator = '\t';

// Bounds of the value: lines, and bytes (line breaks included). A collector
// sends no more; the intake keeps the first kMaxPrograms lines of a longer
// list.
inline constexpr std::size_t kMaxPrograms = 5000;
inline constexpr std::size_t kMaxSoftwareBytes = 512 * 1024;

}  // namespace vantrel::protocol
