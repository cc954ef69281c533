#pragma once
// The installed programs a collector sends with its report, in one form
// field. One program a line (lines end in "\r\n" or "\n"), seven values a
// line separated by a tab:
//     name \t version \t publisher \t installdate \t bits \t scope \t app
// installdate "YYYY-MM-DD" or ""; bits "32", "64" or ""; scope "machine",
// "user" or "" on Windows, "dpkg", "rpm", "flatpak" or "snap" on Linux; app
// "1" for an application (a Windows Uninstall entry, a Linux package with a
// desktop entry, a flatpak app, a snap), "0" otherwise. Text is GBK; a tab
// or line break inside a value is sent as a blank, a character GBK cannot
// hold as "?". A report without the field says nothing about programs.

#include <cstddef>
#include <string_view>

namespace vantrel::protocol {

inline constexpr std::string_view kSoftwareField = "xipSoftware";

// Values a line holds, and their separators.
inline constexpr std::size_t kSoftwareValues = 7;
inline constexpr char kSoftwareValueSeparator = '\t';

// Bounds of one list: programs (lines) and bytes of the field's value.
inline constexpr std::size_t kMaxPrograms = 5000;
inline constexpr std::size_t kMaxSoftwareBytes = 512 * 1024;

}  // namespace vantrel::protocol
