#include "ImportTally.h"

#include "GbkLiteral.h"
#include "ImportLimits.h"
#include "MacText.h"

namespace vantrel::import {

namespace {

void Count(ImportCounts& counts, store::MergeOutcome outcome) {
    switch (outcome) {
        case store::MergeOutcome::Added:
            ++counts.added;
            break;
        case store::MergeOutcome::Updated:
            ++counts.updated;
            break;
        case store::MergeOutcome::Unchanged:
            ++counts.unchanged;
            break;
        case store::MergeOutcome::Kept:
            ++counts.kept;
            break;
    }
}

}  // namespace

void ImportTally::Row(std::size_t number, std::uint64_t mac, store::MergeOutcome outcome) {
    const std::optional<store::MergeOutcome> first = mac == 0 ? std::nullopt : macs_.Find(mac);
    if (!first) {
        if (mac != 0) {
            macs_.Set(mac, outcome);
        }
        Count(counts_, outcome);
        return;
    }
    ++counts_.repeated;
    if (counts_.repeats.size() < kMaxListedProblems) {
        counts_.repeats.push_back(
            {number, u8"MAC 地址 "_gbk + inventory::MacTextOf(mac) +
                         u8" 与前面的行重复：算作同一台，以后面的行为准"_gbk});
    }
    if (*first == store::MergeOutcome::Unchanged && outcome == store::MergeOutcome::Updated) {
        --counts_.unchanged;
        ++counts_.updated;
        macs_.Set(mac, outcome);
    }
}

}  // namespace vantrel::import
