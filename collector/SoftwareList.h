#pragma once
// The installed programs as the collectors send them (protocol/
// SoftwareField.h): which Windows Uninstall entries are programs, how their
// values are written, and the one value built from all of them, each name,
// version and bits once, in byte order, within the field's bounds.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::collector {

// One Uninstall key as the registry holds it, texts in code page 936.
struct UninstallEntry {
    std::string keyName;
    std::string displayName;
    std::string displayVersion;
    std::string publisher;
    std::string installDate;
    std::string parentKeyName;
    std::string releaseType;
    bool systemComponent = false;
    std::string bits;   // of the registry view it was read from: "64", "32", ""
    std::string scope;  // "machine" or "user"
};

// One line of the value; the texts are cleaned when the line is written.
struct InstalledProgram {
    std::string name;
    std::string version;
    std::string publisher;
    std::string installDate;  // "YYYY-MM-DD" or ""
    std::string bits;
    std::string scope;
    bool app = true;
};

// "YYYYMMDD" (as installers write InstallDate) as "YYYY-MM-DD"; a date
// already so written stays; anything else, or no real day, is "".
std::string FormatInstallDate(std::string_view date);

// Whether the text names a Windows update by its knowledge-base number:
// "KB" and six or more digits, standing as a word of their own.
bool NamesAnUpdate(std::string_view text);

// The program an Uninstall key stands for; nothing for a key without a
// name, a system component, or an update (a key with a parent, a release
// type of an update, a KB number in its key name or name).
std::optional<InstalledProgram> ProgramOf(const UninstallEntry& entry);

// A value of a line: control characters (tabs and line breaks among them)
// and runs of blanks become one blank, both ends trimmed, at most 255
// bytes, cut at a character boundary.
std::string SoftwareValue(std::string_view gbk);

// The value as the form sends it (percent-encoded: a byte other than a
// letter, digit, blank or "*-._" takes three) stays within this, so that a
// report with a full list stays well inside the intake's bound on a request
// body (1 MB) beside the other values.
inline constexpr std::size_t kMaxSoftwareFormBytes = 900 * 1024;

struct SoftwareList {
    std::string value;      // the form value; "" when no program was found
    std::size_t found = 0;  // programs, each name, version and bits once
    std::size_t sent = 0;   // lines in `value`
};

// The lines of the programs: those without a name left out, each name,
// version and bits once (the first given wins), sorted by their bytes, as
// many as the field's bounds and kMaxSoftwareFormBytes allow.
SoftwareList BuildSoftwareList(const std::vector<InstalledProgram>& programs);

// The count the collector shows (GBK): "123 个"; where the bounds cut the
// list, "6000 个（只发送前 5000 个）"; "" when none was found.
std::string DescribeSoftware(const SoftwareList& list);

}  // namespace vantrel::collector
