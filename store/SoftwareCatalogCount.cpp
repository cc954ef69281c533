#include "SoftwareCatalogCount.h"

#include <algorithm>

#include "Gbk.h"

namespace vantrel::store {

namespace {

// Where a pair's probe starts: its bits mixed (Fibonacci hashing), so that
// the program's and the version's numbers both spread it.
std::size_t SlotOfPair(std::uint64_t pair, std::size_t mask) {
    return static_cast<std::size_t>((pair * 0x9E3779B97F4A7C15u) >> 32) & mask;
}

}  // namespace

std::uint32_t CatalogCount::Add(std::string_view key, std::string_view name,
                                std::string_view version) {
    // A PC's rows are written together, so the key mostly repeats.
    if (lastPc_ == kNone || key != lastKey_) {
        lastKey_.assign(key);
        lastPc_ =
            pcNumbers_
                .try_emplace(text::AsciiUpper(key), static_cast<std::uint32_t>(pcNumbers_.size()))
                .first->second;
        runs_.push_back({met_.size(), lastPc_});
    }
    const std::uint32_t program = names_.NumberOf(name);
    if (program == tallies_.size()) {
        tallies_.emplace_back();
        versionsOf_.emplace_back();
        publishers_.emplace_back();
    }
    Tally& tally = tallies_[program];
    if (tally.lastPc != lastPc_) {
        tally.lastPc = lastPc_;
        ++tally.met;
        met_.push_back(program);
    }
    const std::uint32_t number = versions_.NumberOf(version);
    if (tally.lastVersion != number) {
        tally.lastVersion = number;
        if (AddPair(std::uint64_t{program} << 32 | number)) {
            versionsOf_[program].push_back(number);
        }
    }
    return program;
}

bool CatalogCount::AddPair(std::uint64_t pair) {
    if ((pairCount_ + 1) * 2 > pairs_.size()) {
        GrowPairs();
    }
    const std::size_t mask = pairs_.size() - 1;
    for (std::size_t at = SlotOfPair(pair, mask);; at = (at + 1) & mask) {
        if (pairs_[at] == pair) {
            return false;
        }
        if (pairs_[at] == kNoPair) {
            pairs_[at] = pair;
            ++pairCount_;
            return true;
        }
    }
}

void CatalogCount::GrowPairs() {
    std::vector<std::uint64_t> pairs(pairs_.empty() ? 4096 : pairs_.size() * 2, kNoPair);
    const std::size_t mask = pairs.size() - 1;
    for (const std::uint64_t pair : pairs_) {
        if (pair != kNoPair) {
            std::size_t at = SlotOfPair(pair, mask);
            while (pairs[at] != kNoPair) {
                at = (at + 1) & mask;
            }
            pairs[at] = pair;
        }
    }
    pairs_ = std::move(pairs);
}

void CatalogCount::SetPublisher(std::uint32_t program, std::string_view publisher) {
    if (!publisher.empty()) {
        publishers_[program].assign(publisher);
        tallies_[program].noPublisher = false;
    }
}

void CatalogCount::Finish(SoftwareCatalog& catalog) {
    const std::size_t programs = tallies_.size();
    // Each program's PCs, from the runs of programs met PC by PC.
    std::vector<std::vector<std::uint32_t>> pcsOf(programs);
    for (std::uint32_t program = 0; program < programs; ++program) {
        pcsOf[program].reserve(tallies_[program].met);
    }
    for (std::size_t run = 0; run < runs_.size(); ++run) {
        const std::size_t end = run + 1 < runs_.size() ? runs_[run + 1].first : met_.size();
        for (std::size_t at = runs_[run].first; at < end; ++at) {
            pcsOf[met_[at]].push_back(runs_[run].second);
        }
    }
    std::vector<CatalogLine> lines(programs);
    for (std::uint32_t program = 0; program < programs; ++program) {
        // A PC's rows apart from each other (a list replaced during the
        // read, or its key in another case) can name it twice.
        std::vector<std::uint32_t>& pcs = pcsOf[program];
        if (!std::is_sorted(pcs.begin(), pcs.end())) {
            std::sort(pcs.begin(), pcs.end());
        }
        pcs.erase(std::unique(pcs.begin(), pcs.end()), pcs.end());
        CatalogLine& line = lines[program];
        line.name = std::string(names_.Text(program));
        line.publisher = std::move(publishers_[program]);
        line.versions.reserve(versionsOf_[program].size());
        for (const std::uint32_t version : versionsOf_[program]) {
            line.versions.emplace_back(versions_.Text(version));
        }
        std::sort(line.versions.begin(), line.versions.end());
        line.pcs = pcs.size();
        line.app = tallies_[program].app;
    }
    std::vector<std::uint32_t> order(programs);
    for (std::uint32_t program = 0; program < programs; ++program) {
        order[program] = program;
    }
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const CatalogLine& x = lines[a];
        const CatalogLine& y = lines[b];
        return x.pcs != y.pcs ? x.pcs > y.pcs : x.name < y.name;
    });
    catalog.lines.clear();
    catalog.linePcs.clear();
    catalog.lines.reserve(programs);
    catalog.linePcs.reserve(programs);
    for (const std::uint32_t program : order) {
        catalog.lines.push_back(std::move(lines[program]));
        catalog.linePcs.push_back(std::move(pcsOf[program]));
    }
}

}  // namespace vantrel::store
