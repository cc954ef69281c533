#include "SoftwareCatalogCount.h"

#include <algorithm>

#include "Gbk.h"

namespace vantrel::store {

std::uint32_t CatalogCount::Add(std::string_view key, std::string_view name,
                                std::string_view version) {
    // A PC's rows are written together, so the key mostly repeats.
    if (lastPc_ == kNone || key != lastKey_) {
        lastKey_.assign(key);
        lastPc_ =
            pcNumbers_
                .try_emplace(text::AsciiUpper(key), static_cast<std::uint32_t>(pcNumbers_.size()))
                .first->second;
    }
    const std::uint32_t program = names_.NumberOf(name);
    if (program == tallies_.size()) {
        tallies_.emplace_back();
        pcs_.emplace_back();
        versionsOf_.emplace_back();
        publishers_.emplace_back();
    }
    Tally& tally = tallies_[program];
    if (tally.lastPc != lastPc_) {
        tally.lastPc = lastPc_;
        pcs_[program].push_back(lastPc_);
    }
    const std::uint32_t number = versions_.NumberOf(version);
    if (tally.lastVersion != number) {
        tally.lastVersion = number;
        if (programVersions_.insert(std::uint64_t{program} << 32 | number).second) {
            versionsOf_[program].push_back(number);
        }
    }
    return program;
}

void CatalogCount::SetPublisher(std::uint32_t program, std::string_view publisher) {
    if (!publisher.empty()) {
        publishers_[program].assign(publisher);
        tallies_[program].noPublisher = false;
    }
}

void CatalogCount::Finish(SoftwareCatalog& catalog) {
    const std::size_t programs = tallies_.size();
    std::vector<CatalogLine> lines(programs);
    for (std::uint32_t program = 0; program < programs; ++program) {
        // A PC's rows apart from each other (a list replaced during the
        // read, or its key in another case) can name it twice.
        std::vector<std::uint32_t>& pcs = pcs_[program];
        if (!std::is_sorted(pcs.begin(), pcs.end())) {
            std::sort(pcs.begin(), pcs.end());
        }
        pcs.erase(std::unique(pcs.begin(), pcs.end()), pcs.end());
        CatalogLine& line = lines[program];
        line.name = names_.Text(program);
        line.publisher = std::move(publishers_[program]);
        line.versions.reserve(versionsOf_[program].size());
        for (const std::uint32_t version : versionsOf_[program]) {
            line.versions.push_back(versions_.Text(version));
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
        catalog.linePcs.push_back(std::move(pcs_[program]));
    }
}

}  // namespace vantrel::store
