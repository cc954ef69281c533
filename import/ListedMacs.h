#pragma once
// The MACs a list has named so far, each with what the first row naming it
// did, so that a later row of the same PC is told from a new PC. A MAC
// takes eight bytes in an open table at most half full: a list of a million
// PCs holds some 16 MB here, whatever its rows hold.

#include <cstdint>
#include <optional>
#include <vector>

#include "InventoryMerge.h"

namespace vantrel::import {

class ListedMacs {
  public:
    // What the first row with `mac` (its 48 bits) did; nullopt when no row
    // named it yet.
    std::optional<store::MergeOutcome> Find(std::uint64_t mac) const;
    // Records what the rows with `mac` did, replacing what was recorded.
    void Set(std::uint64_t mac, store::MergeOutcome outcome);

  private:
    std::size_t SlotOf(std::uint64_t mac) const;
    void Grow();

    std::vector<std::uint64_t> slots_;  // 0: free; else kUsed, outcome, MAC
    std::size_t used_ = 0;
};

}  // namespace vantrel::import
