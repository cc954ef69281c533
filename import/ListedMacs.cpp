#include "ListedMacs.h"

namespace vantrel::import {

namespace {

constexpr std::uint64_t kUsed = std::uint64_t{1} << 63;
constexpr std::uint64_t kMacMask = (std::uint64_t{1} << 48) - 1;
constexpr int kOutcomeShift = 48;

std::uint64_t Entry(std::uint64_t mac, store::MergeOutcome outcome) {
    return kUsed | (static_cast<std::uint64_t>(outcome) << kOutcomeShift) | (mac & kMacMask);
}

}  // namespace

// Where `mac` is in the table, or the free slot where it would go.
std::size_t ListedMacs::SlotOf(std::uint64_t mac) const {
    const std::size_t mask = slots_.size() - 1;
    // Fibonacci hashing spreads the makers' common prefixes over the table.
    std::size_t slot = static_cast<std::size_t>((mac * 0x9E37'79B9'7F4A'7C15u) >> 20) & mask;
    while (slots_[slot] != 0 && (slots_[slot] & kMacMask) != mac) {
        slot = (slot + 1) & mask;
    }
    return slot;
}

std::optional<store::MergeOutcome> ListedMacs::Find(std::uint64_t mac) const {
    if (slots_.empty()) {
        return std::nullopt;
    }
    const std::uint64_t entry = slots_[SlotOf(mac & kMacMask)];
    if (entry == 0) {
        return std::nullopt;
    }
    return static_cast<store::MergeOutcome>((entry & ~kUsed) >> kOutcomeShift);
}

void ListedMacs::Set(std::uint64_t mac, store::MergeOutcome outcome) {
    if ((used_ + 1) * 2 > slots_.size()) {
        Grow();
    }
    std::uint64_t& entry = slots_[SlotOf(mac & kMacMask)];
    used_ += entry == 0 ? 1 : 0;
    entry = Entry(mac, outcome);
}

void ListedMacs::Grow() {
    std::vector<std::uint64_t> old(slots_.empty() ? 512 : slots_.size() * 2, 0);
    old.swap(slots_);
    for (const std::uint64_t entry : old) {
        if (entry != 0) {
            slots_[SlotOf(entry & kMacMask)] = entry;
        }
    }
}

}  // namespace vantrel::import
