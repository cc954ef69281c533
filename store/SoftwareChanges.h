#pragma once
// What a new list of a PC's programs changes against its stored one, in the
// words of the change history, and the digest that tells an unchanged list
// without reading the stored one.

#include <string>
#include <vector>

#include "SoftwareList.h"

namespace vantrel::store {

// One text (GBK) per change, programs compared by name and bitness:
// "新装 WPS Office 12.1.0" for a version that came, "卸载 …" for one that
// went, "Google Chrome 119.0 → 120.0" when exactly one version of a
// program went and one came. Ordered by name, then bitness.
std::vector<std::string> SoftwareChangeTexts(const std::vector<InstalledProgram>& before,
                                             const std::vector<InstalledProgram>& after);

// The programs of a list, values owned, in the list's order.
std::vector<InstalledProgram> ProgramsOf(const SoftwareList& list);

// 32 hex digits over the list's lines in sorted order, so that the same
// programs sent in another order count as unchanged.
std::string SoftwareDigest(const std::vector<InstalledProgram>& programs);
// The same, straight from a list's lines.
std::string SoftwareDigest(const SoftwareList& list);

}  // namespace vantrel::store
