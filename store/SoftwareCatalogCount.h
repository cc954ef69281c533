#pragma once
// Counts the rows of ip_software, in the order read, into the catalog's
// lines: the PCs, versions, first publisher and application mark of every
// program. Programs, versions and PCs are numbered once, so that a row costs
// a lookup of its name and a few integer steps; its publisher and app
// columns are wanted only until they have told what they can.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "SoftwareCatalog.h"
#include "SoftwareCatalogTexts.h"

namespace vantrel::store {

class CatalogCount {
  public:
    // A row of the PC `key` (as the row holds it; ASCII case is ignored)
    // naming `name` at `version`; returns the program's number for the
    // calls below.
    std::uint32_t Add(std::string_view key, std::string_view name, std::string_view version);
    // Whether the program's publisher is still unknown: the first row that
    // names one gives it.
    bool WantsPublisher(std::uint32_t program) const { return tallies_[program].noPublisher; }
    void SetPublisher(std::uint32_t program, std::string_view publisher);
    // Whether the program is not yet an application on any PC.
    bool WantsApp(std::uint32_t program) const { return !tallies_[program].app; }
    void MarkApp(std::uint32_t program) { tallies_[program].app = true; }

    // The lines, by PCs, most first, then by name, with the PCs of each;
    // licences are left to ApplyLicences.
    void Finish(SoftwareCatalog& catalog);

  private:
    static constexpr std::uint32_t kNone = 0xFFFFFFFF;
    static constexpr std::uint64_t kNoPair = ~std::uint64_t{0};
    // Whether the pair is new to pairs_ (then it is added).
    bool AddPair(std::uint64_t pair);
    void GrowPairs();

    // What a row looks at, kept small and together.
    struct Tally {
        std::uint32_t lastPc = kNone;
        std::uint32_t lastVersion = kNone;
        std::uint32_t met = 0;  // PCs met, a PC again when its rows lie apart
        bool noPublisher = true;
        bool app = false;
    };

    CatalogTexts names_;
    CatalogTexts versions_;
    std::vector<Tally> tallies_;  // by program
    // The program of each PC met with it, in the order met, and where each
    // PC's run of them starts: appended in order, so that a row writes next
    // to the last one; Finish turns them into each program's PCs.
    std::vector<std::uint32_t> met_;
    std::vector<std::pair<std::size_t, std::uint32_t>> runs_;  // start in met_, PC
    std::vector<std::vector<std::uint32_t>> versionsOf_;       // by program
    std::vector<std::string> publishers_;                      // by program
    // The versions met of each program: program << 32 | version, by open
    // addressing, at most half full; a power of two long, kNoPair where empty.
    std::vector<std::uint64_t> pairs_;
    std::size_t pairCount_ = 0;
    std::unordered_map<std::string, std::uint32_t> pcNumbers_;  // ASCII upper-cased key
    std::string lastKey_;
    std::uint32_t lastPc_ = kNone;
};

}  // namespace vantrel::store
