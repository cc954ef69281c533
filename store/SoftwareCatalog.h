#pragma once
// What the software tabs show, read from ip_software, ip_softlist and
// ip_licence: the office's programs with their counts and licences, one
// PC's list, and the PCs that have a program. Each read takes the
// connection's lock only while it reads; counting happens after.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Licences.h"
#include "SoftwareList.h"

namespace vantrel::store {

class InventoryDatabase;

// One program of the office: every row of ip_software with its name.
struct CatalogLine {
    std::string name;
    std::string publisher;              // the first one a PC names (GBK)
    std::vector<std::string> versions;  // each version seen once, sorted
    std::size_t pcs = 0;                // PCs that have it
    bool app = false;                   // an application on at least one PC
    // The licence that applies, if any: its pattern, seats and the PCs
    // having any program it names (the copies it must cover).
    std::optional<Licence> licence;
    std::size_t licensedPcs = 0;

    // Copies beyond the seats; 0 without a licence.
    std::size_t Shortfall() const;
};

struct SoftwareCatalog {
    std::vector<CatalogLine> lines;  // by PCs, most first, then by name
    std::vector<Licence> licences;
    // For each line, the PCs that have it (numbers of this read).
    std::vector<std::vector<std::uint32_t>> linePcs;
    std::size_t listedPcs = 0;  // PCs whose collector sent a list
};

// Reads and counts everything; throws StoreError when the store is closed
// or a read fails. A file without the tables is an empty catalog.
SoftwareCatalog ReadSoftwareCatalog(InventoryDatabase& connection);

// A line's licence and its copies, counted again after a licence changed,
// from the PCs of each program (ReadSoftwareCatalog keeps them).
void ApplyLicences(SoftwareCatalog& catalog);

// One PC's list and when it was written; no time when its collector never
// sent one.
struct PcSoftware {
    std::optional<std::string> listTime;
    std::vector<InstalledProgram> programs;  // by name
};
PcSoftware ReadPcSoftware(InventoryDatabase& connection, std::string_view key);

// The keys (as ip_software holds them, ASCII upper-cased) of the PCs that
// have `name`, of `version` when given.
std::set<std::string> KeysHaving(InventoryDatabase& connection, std::string_view name,
                                 std::optional<std::string_view> version = std::nullopt);

// For the overview: PCs with a list, and programs short of licences (the
// whole catalog read, as ReadSoftwareCatalog reads it, once a licence is set).
struct SoftwareCounts {
    std::size_t listedPcs = 0;
    std::size_t shortPrograms = 0;
};
SoftwareCounts ReadSoftwareCounts(InventoryDatabase& connection);

}  // namespace vantrel::store
