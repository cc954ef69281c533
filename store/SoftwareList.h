#pragma once
// The installed programs one report brings: each program's line as a view
// into the report's own bytes, split into its values when read, so that a
// list of thousands costs the intake a few bytes a line beyond the request
// it already holds. Valid while those bytes live (the request's); the store
// reads it within the report's call.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::store {

// One installed program, as sent (GBK).
struct ProgramView {
    std::string_view name;
    std::string_view version;
    std::string_view publisher;
    std::string_view installDate;  // "YYYY-MM-DD" or ""
    std::string_view bits;         // "32", "64" or ""
    std::string_view scope;        // machine, user, dpkg, rpm, flatpak, snap or ""
    bool app = false;              // an application, not only a package
};

// The same, owning its values: as the store reads a PC's list back.
struct InstalledProgram {
    std::string name;
    std::string version;
    std::string publisher;
    std::string installDate;
    std::string bits;
    std::string scope;
    bool app = false;

    bool operator==(const InstalledProgram&) const = default;
};

// A list's lines, each already found to hold the seven values and a name
// (the intake skips other lines).
struct SoftwareList {
    std::vector<std::string_view> lines;
    // SoftwareDigest of the lines when the reader worked it out (outside
    // the store's lock); "" to have the store work it out.
    std::string digest;
    // Set by a reader that knew the digest without reading the lines (a
    // text it had read before): reads them when first called. The store
    // needs them only when the digest differs from the stored one.
    std::function<const std::vector<std::string_view>&()> readLines;

    const std::vector<std::string_view>& Lines() const { return readLines ? readLines() : lines; }
};

// The values of one line: up to seven, separated by a tab; missing ones
// read as empty, a trailing carriage return is not part of the last.
ProgramView SplitProgramLine(std::string_view line);
// How many values the line holds (tabs plus one).
std::size_t ProgramValueCount(std::string_view line);

}  // namespace vantrel::store
