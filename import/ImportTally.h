#pragma once
// The counts of a list, one PC for each MAC however often the list names
// it. A count decides each row against the inventory as it was, a write
// against the inventory as the earlier rows left it; both come to the same
// counts because a PC's outcome is its first row's, and only a PC the
// inventory held unchanged turns updated when a later row changes it.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "ImportRun.h"
#include "ListedMacs.h"

namespace vantrel::import {

class ImportTally {
  public:
    explicit ImportTally(ImportCounts& counts) : counts_(counts) {}

    // What the first row with `mac` did; nullopt for a MAC not named yet.
    std::optional<store::MergeOutcome> FirstOutcome(std::uint64_t mac) const {
        return macs_.Find(mac);
    }

    // Counts row `number` of the file, decided as `outcome`; `mac` is its
    // MAC's 48 bits, 0 for a row without one. A later row of a MAC is
    // counted as a repeat, with what it did against the inventory before
    // the list (count) or after the rows before it (write).
    void Row(std::size_t number, std::uint64_t mac, store::MergeOutcome outcome);

  private:
    ImportCounts& counts_;
    ListedMacs macs_;
};

}  // namespace vantrel::import
