#include "InventoryOverview.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "Gbk.h"
#include "GbkLiteral.h"
#include "LocalClock.h"
#include "NicMakers.h"
#include "PcKey.h"

namespace vantrel::inventory {

namespace {

enum LabelId {
    kUpTo2,
    kFrom32,
    kLaptop,
    kDesktop,
    kIntelOther,
    kAmdOther,
    kOther,
    kUnknown,
    kUnfilled
};

const std::string& Label(LabelId id) {
    static const std::string* const labels[] = {
        &u8"≤ 2 GB"_gbk,   &u8"≥ 32 GB"_gbk, &u8"笔记本"_gbk, &u8"台式"_gbk, &u8"Intel 其他"_gbk,
        &u8"AMD 其他"_gbk, &u8"其他"_gbk,    &u8"未知"_gbk,   &u8"未填"_gbk,
    };
    return *labels[id];
}

std::string DaysBefore(std::tm now, int days) {
    now.tm_mday -= days;
    now.tm_isdst = -1;
    std::mktime(&now);  // normalises the date
    return system::TimeText(now);
}

// The word starting at `at`: letters, digits and ".".
std::string_view WordAt(std::string_view text, std::size_t at) {
    std::size_t end = at;
    while (end < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[end])) != 0 || text[end] == '.')) {
        ++end;
    }
    return text.substr(at, end - at);
}

// "maker model"; the one that is known alone; 未知 without either.
std::string ModelOf(const PcHardware* hardware) {
    if (hardware == nullptr) {
        return UnknownLabel();
    }
    const std::string_view maker = text::TrimBlanks(hardware->maker);
    const std::string_view model = text::TrimBlanks(hardware->model);
    if (maker.empty() && model.empty()) {
        return UnknownLabel();
    }
    if (maker.empty() || model.empty()) {
        return std::string(maker.empty() ? model : maker);
    }
    return std::string(maker) + " " + std::string(model);
}

std::string SystemOf(std::string_view os) {
    os = text::TrimBlanks(os);
    if (os.empty()) {
        return UnknownLabel();
    }
    const std::string lower = text::AsciiLower(os);
    const std::size_t windows = lower.find("windows");
    if (windows != std::string::npos) {
        std::size_t at = windows + 7;
        while (at < lower.size() && lower[at] == ' ') {
            ++at;
        }
        std::string_view word = WordAt(lower, at);
        if (word == "server") {
            std::size_t year = at + word.size();
            while (year < lower.size() && lower[year] == ' ') {
                ++year;
            }
            const std::string_view version = WordAt(lower, year);
            std::string label = "Windows Server";
            if (!version.empty()) {
                label += " " + std::string(os.substr(year, version.size()));
                std::size_t r2 = year + version.size();
                if (lower.compare(r2, 3, " r2") == 0) {
                    label += " R2";
                }
            }
            return label;
        }
        if (word == "xp") {
            return "Windows XP";
        }
        if (word == "vista") {
            return "Windows Vista";
        }
        if (!word.empty() && std::isdigit(static_cast<unsigned char>(word[0])) != 0) {
            return "Windows " + std::string(word);
        }
        return "Windows";
    }
    // Other systems by their name without version details in brackets.
    const std::size_t bracket = os.find_first_of("([");
    std::string_view name = text::TrimBlanks(os.substr(0, bracket));
    return std::string(text::CutAtCharBoundary(name.empty() ? os : name, 60));
}

std::string MemoryOf(std::string_view rammax) {
    const auto mb = ParseMemoryMb(rammax);
    if (!mb || *mb <= 0) {
        return UnknownLabel();
    }
    // The nearest of the usual sizes, halfway on a doubling scale: what a
    // system reports is a little below what is fitted ("3.87 GB" is 4 GB).
    const double gb = *mb / 1024.0;
    if (gb < 2.0 * std::sqrt(2.0)) {
        return Label(kUpTo2);
    }
    if (gb < 4.0 * std::sqrt(2.0)) {
        return "4 GB";
    }
    if (gb < 8.0 * std::sqrt(2.0)) {
        return "8 GB";
    }
    if (gb < 16.0 * std::sqrt(2.0)) {
        return "16 GB";
    }
    return Label(kFrom32);
}

std::string PcTypeOf(std::string_view pctype) {
    pctype = text::TrimBlanks(pctype);
    if (pctype.empty()) {
        return UnknownLabel();
    }
    const std::string lower = text::AsciiLower(pctype);
    const std::string& laptop = Label(kLaptop);
    const std::string& desktop = Label(kDesktop);
    if (text::ContainsIgnoringCase(lower, laptop) || text::ContainsIgnoringCase(lower, "laptop") ||
        text::ContainsIgnoringCase(lower, "notebook")) {
        return laptop;
    }
    if (text::ContainsIgnoringCase(lower, desktop) ||
        text::ContainsIgnoringCase(lower, "desktop")) {
        return desktop;
    }
    return OtherLabel();
}

std::string CpuOf(std::string_view cpu) {
    cpu = text::TrimBlanks(cpu);
    if (cpu.empty()) {
        return UnknownLabel();
    }
    const std::string lower = text::AsciiLower(cpu);
    auto has = [&lower](const char* word) { return text::ContainsIgnoringCase(lower, word); };
    if (has("intel") || has("core(tm)") || has("pentium") || has("celeron") || has("xeon")) {
        const std::size_t core = lower.find("core");
        if (core != std::string::npos) {
            // "Core(TM) i5-8500", "Core i7 CPU", "Core(TM) Ultra 7".
            for (std::size_t at = core + 4; at + 1 < lower.size() && at < core + 12; ++at) {
                if (lower[at] == 'i' && std::isdigit(static_cast<unsigned char>(lower[at + 1])) &&
                    (at + 2 == lower.size() ||
                     std::isalnum(static_cast<unsigned char>(lower[at + 2])) == 0)) {
                    const char family = lower[at + 1];
                    if (family == '3' || family == '5' || family == '7' || family == '9') {
                        return std::string("Intel Core i") + family;
                    }
                }
            }
        }
        if (has("pentium")) {
            return "Intel Pentium";
        }
        if (has("celeron")) {
            return "Intel Celeron";
        }
        if (has("xeon")) {
            return "Intel Xeon";
        }
        if (core != std::string::npos) {
            return "Intel Core";
        }
        return Label(kIntelOther);
    }
    if (has("amd") || has("ryzen") || has("athlon")) {
        const std::size_t ryzen = lower.find("ryzen");
        if (ryzen != std::string::npos) {
            std::size_t at = ryzen + 5;
            while (at < lower.size() && lower[at] == ' ') {
                ++at;
            }
            const std::string_view tier = WordAt(lower, at);
            if (tier.size() == 1 && std::isdigit(static_cast<unsigned char>(tier[0])) != 0) {
                return "AMD Ryzen " + std::string(tier);
            }
            return "AMD Ryzen";
        }
        if (has("athlon")) {
            return "AMD Athlon";
        }
        return Label(kAmdOther);
    }
    return OtherLabel();
}

// Buckets by count, largest first (ties by label), the ones after `top`
// folded into 其他 at the end.
std::vector<OverviewBucket> Ranked(std::unordered_map<std::string, OverviewBucket>& counted,
                                   std::size_t top) {
    std::vector<OverviewBucket> ranked;
    ranked.reserve(counted.size());
    for (auto& [key, bucket] : counted) {
        ranked.push_back(std::move(bucket));
    }
    std::sort(ranked.begin(), ranked.end(), [](const OverviewBucket& a, const OverviewBucket& b) {
        return a.count != b.count ? a.count > b.count : a.label < b.label;
    });
    if (ranked.size() > top) {
        OverviewBucket rest{OtherLabel(), 0};
        for (std::size_t i = top; i < ranked.size(); ++i) {
            rest.count += ranked[i].count;
        }
        ranked.resize(top);
        // A bucket of its own named 其他 joins the rest.
        auto own = std::find_if(ranked.begin(), ranked.end(),
                                [](const OverviewBucket& b) { return b.label == OtherLabel(); });
        if (own != ranked.end()) {
            rest.count += own->count;
            ranked.erase(own);
        }
        ranked.push_back(std::move(rest));
    }
    return ranked;
}

// Buckets in a fixed order, the empty ones left out.
std::vector<OverviewBucket> InOrder(std::unordered_map<std::string, OverviewBucket>& counted,
                                    const std::vector<std::string>& order) {
    std::vector<OverviewBucket> buckets;
    for (const std::string& label : order) {
        if (auto found = counted.find(label); found != counted.end()) {
            buckets.push_back(found->second);
        }
    }
    return buckets;
}

}  // namespace

const std::string& OtherLabel() {
    return Label(kOther);
}
const std::string& UnknownLabel() {
    return Label(kUnknown);
}
const std::string& UnfilledLabel() {
    return Label(kUnfilled);
}

std::optional<double> ParseMemoryMb(std::string_view rammax) {
    rammax = text::TrimBlanks(rammax);
    std::size_t digits = 0;
    bool point = false;
    while (digits < rammax.size() &&
           (std::isdigit(static_cast<unsigned char>(rammax[digits])) != 0 ||
            (rammax[digits] == '.' && !point))) {
        point = point || rammax[digits] == '.';
        ++digits;
    }
    if (digits == 0 || digits > 15) {
        return std::nullopt;
    }
    const std::string number(rammax.substr(0, digits));
    char* end = nullptr;
    const double value = std::strtod(number.c_str(), &end);
    if (end != number.c_str() + number.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    const std::string unit = text::AsciiLower(text::TrimBlanks(rammax.substr(digits)));
    if (unit.empty() || unit == "mb" || unit == "m") {
        return value;
    }
    if (unit == "gb" || unit == "g") {
        return value * 1024.0;
    }
    if (unit == "tb" || unit == "t") {
        return value * 1024.0 * 1024.0;
    }
    if (unit == "kb" || unit == "k") {
        return value / 1024.0;
    }
    return std::nullopt;
}

std::optional<std::string> NormalTime(std::string_view text) {
    text = text::TrimBlanks(text);
    int parts[6] = {0, 0, 0, 0, 0, 0};
    std::size_t at = 0;
    int count = 0;
    while (count < 6) {
        std::size_t start = at;
        int value = 0;
        while (at < text.size() && at - start < 4 &&
               std::isdigit(static_cast<unsigned char>(text[at])) != 0) {
            value = value * 10 + (text[at] - '0');
            ++at;
        }
        if (at == start) {
            return std::nullopt;
        }
        parts[count++] = value;
        if (at == text.size()) {
            break;
        }
        const char separator = text[at];
        const bool expected = count < 3    ? (separator == '-' || separator == '/')
                              : count == 3 ? (separator == ' ' || separator == 'T')
                                           : separator == ':';
        if (!expected || count == 6) {
            return std::nullopt;
        }
        ++at;
    }
    if (at != text.size() || (count != 3 && count != 5 && count != 6) || parts[0] < 1000 ||
        parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > 31 || parts[3] > 23 ||
        parts[4] > 59 || parts[5] > 60) {
        return std::nullopt;
    }
    std::tm time{};
    time.tm_year = parts[0] - 1900;
    time.tm_mon = parts[1] - 1;
    time.tm_mday = parts[2];
    time.tm_hour = parts[3];
    time.tm_min = parts[4];
    time.tm_sec = parts[5];
    return system::TimeText(time);
}

OverviewRules::OverviewRules(SeenIndex seen, const NicMakers& makers, const std::tm& now)
    : seen_(std::move(seen)),
      makers_(makers),
      since30_(DaysBefore(now, 30)),
      since90_(DaysBefore(now, 90)),
      today_(now) {
    for (const auto& [key, record] : seen_) {
        lastSweep_ = std::max(lastSweep_, record.sweepTime);
    }
}

std::string OverviewRules::BucketOf(Dimension dimension, const PcFacts& pc) const {
    switch (dimension) {
        case Dimension::Department:
            return pc.bm.empty() ? UnfilledLabel() : std::string(pc.bm);
        case Dimension::System:
            return SystemOf(pc.os);
        case Dimension::Memory:
            return MemoryOf(pc.rammax);
        case Dimension::PcType:
            return PcTypeOf(pc.pctype);
        case Dimension::CpuFamily:
            return CpuOf(pc.cpu);
        case Dimension::NicMaker:
            return std::string(MakerOf(pc));
        case Dimension::Model:
            return ModelOf(HardwareOf(pc));
        default:
            return {};
    }
}

const PcHardware* OverviewRules::HardwareOf(const PcFacts& pc) const {
    if (hardware_.empty()) {
        return nullptr;
    }
    const auto found = hardware_.find(PcKeyForLookup(PcKeyOf(pc.mac, pc.ip, pc.pcname)));
    return found != hardware_.end() ? &found->second : nullptr;
}

std::string_view OverviewRules::MakerOf(const PcFacts& pc) const {
    return makers_.MakerOf(pc.mac);
}

OverviewRules::Cards OverviewRules::CardsOf(const PcFacts& pc) const {
    // As SeenOfRow, without copying the records.
    const SeenRecord* byMac = nullptr;
    const SeenRecord* byAddress = nullptr;
    const std::string key = SeenKeyOfMac(pc.mac);
    if (!key.empty()) {
        if (auto found = seen_.find(key); found != seen_.end()) {
            byMac = &found->second;
        }
    }
    if (!pc.ip.empty()) {
        if (auto found = seen_.find(SeenKeyOfAddress(pc.ip)); found != seen_.end()) {
            byAddress = &found->second;
        }
    }
    const SeenRecord* online = byMac;
    if (byAddress != nullptr && (online == nullptr || byAddress->onlineTime > online->onlineTime)) {
        online = byAddress;
    }
    // The latest report as ip_seen keeps it; a report under no MAC, or the
    // zero one, is kept under its address. djsj is no report time: an
    // import sets it to the time of the import.
    const SeenRecord* report = key.empty() ? byAddress : byMac;
    const std::string_view reported =
        report != nullptr ? std::string_view(report->reportTime) : std::string_view();
    // Not seen for 90 days still counts the row's registration as a sign
    // of life: of an inventory older than ip_seen it is all there is. djsj
    // as SQLite writes it needs no parsing.
    std::optional<std::string> parsed;
    std::string_view registered;
    if (pc.djsj.size() == 19 && pc.djsj[4] == '-' && pc.djsj[10] == ' ') {
        registered = pc.djsj;
    } else if ((parsed = NormalTime(pc.djsj))) {
        registered = *parsed;
    }
    const std::string_view onlineTime = online != nullptr ? online->onlineTime : std::string_view();
    const std::string_view latest = std::max({reported, registered, onlineTime});
    Cards cards;
    cards.reported30 = !reported.empty() && reported >= since30_;
    cards.online = online != nullptr && !lastSweep_.empty() && online->sweepTime == lastSweep_;
    if (const AssetFacts* asset = assets_.Find(pc.mac, pc.ip, pc.pcname)) {
        cards.retired = asset->status == RetiredStatus();
        const WarrantyState warranty =
            cards.retired ? WarrantyState::None : WarrantyOf(asset->warrantyEnd, today_);
        cards.warranty30 = warranty == WarrantyState::EndsSoon;
        cards.expired = warranty == WarrantyState::Ended;
    }
    // A retired PC is expected to stay unseen.
    cards.notSeen90 = (latest.empty() || latest < since90_) && !cards.retired;
    return cards;
}

bool OverviewRules::Counts(Dimension card, const PcFacts& pc) const {
    switch (card) {
        case Dimension::All:
            return true;
        case Dimension::Reported30:
            return CardsOf(pc).reported30;
        case Dimension::Online:
            return CardsOf(pc).online;
        case Dimension::NotSeen90:
            return CardsOf(pc).notSeen90;
        case Dimension::Monitors: {
            const PcHardware* hardware = HardwareOf(pc);
            return hardware != nullptr && hardware->monitors > 0;
        }
        case Dimension::Retired:
            return CardsOf(pc).retired;
        case Dimension::Warranty30:
            return CardsOf(pc).warranty30;
        case Dimension::Expired:
            return CardsOf(pc).expired;
        default:
            return false;
    }
}

Overview CountOverview(const std::vector<PcFacts>& rows, const OverviewRules& rules) {
    Overview overview;
    std::unordered_map<std::string, OverviewBucket> departments, systems, memory, types, cpus,
        makers, models;
    // Each column holds few distinct values: a value's bucket is worked out
    // once, and a row costs a look-up per column. The views point into the
    // rows, which outlive the count.
    struct Column {
        Dimension dimension;
        std::string_view PcFacts::*field;
        std::unordered_map<std::string, OverviewBucket>* buckets;
        std::unordered_map<std::string_view, OverviewBucket*> known;
    };
    Column columns[] = {
        {Dimension::Department, &PcFacts::bm, &departments, {}},
        {Dimension::System, &PcFacts::os, &systems, {}},
        {Dimension::Memory, &PcFacts::rammax, &memory, {}},
        {Dimension::PcType, &PcFacts::pctype, &types, {}},
        {Dimension::CpuFamily, &PcFacts::cpu, &cpus, {}},
    };
    std::unordered_map<std::string_view, OverviewBucket*> makerOf;
    for (const PcFacts& pc : rows) {
        ++overview.total;
        const OverviewRules::Cards cards = rules.CardsOf(pc);
        overview.reported30 += cards.reported30 ? 1 : 0;
        overview.online += cards.online ? 1 : 0;
        overview.notSeen90 += cards.notSeen90 ? 1 : 0;
        overview.retired += cards.retired ? 1 : 0;
        overview.warranty30 += cards.warranty30 ? 1 : 0;
        overview.expired += cards.expired ? 1 : 0;
        for (Column& column : columns) {
            auto [slot, added] = column.known.try_emplace(pc.*column.field, nullptr);
            if (added) {
                std::string label = rules.BucketOf(column.dimension, pc);
                // Departments as the search compares them: ASCII case aside.
                std::string key =
                    column.dimension == Dimension::Department ? text::AsciiLower(label) : label;
                auto [bucket, fresh] = column.buckets->try_emplace(std::move(key));
                if (fresh) {
                    bucket->second.label = std::move(label);
                }
                slot->second = &bucket->second;
            }
            ++slot->second->count;
        }
        const std::string_view maker = rules.MakerOf(pc);
        auto [slot, added] = makerOf.try_emplace(maker, nullptr);
        if (added) {
            slot->second =
                &makers.try_emplace(std::string(maker), OverviewBucket{std::string(maker), 0})
                     .first->second;
        }
        ++slot->second->count;
        const PcHardware* hardware = rules.HardwareOf(pc);
        overview.monitors += hardware != nullptr ? hardware->monitors : 0;
        std::string model = ModelOf(hardware);
        auto [bucket, fresh] = models.try_emplace(model);
        if (fresh) {
            bucket->second.label = std::move(model);
        }
        ++bucket->second.count;
    }
    overview.departments = Ranked(departments, kTopDepartments);
    overview.models = Ranked(models, kTopModels);
    overview.systems = Ranked(systems, kTopSystems);
    overview.cpus = Ranked(cpus, kTopCpus);
    overview.makers = Ranked(makers, kTopMakers);
    overview.memory =
        InOrder(memory, {Label(kUpTo2), "4 GB", "8 GB", "16 GB", Label(kFrom32), UnknownLabel()});
    overview.pcTypes =
        InOrder(types, {Label(kDesktop), Label(kLaptop), OtherLabel(), UnknownLabel()});
    return overview;
}

bool OverviewSelection::Matches(const PcFacts& pc, const OverviewRules& rules) const {
    switch (dimension) {
        case Dimension::All:
        case Dimension::Reported30:
        case Dimension::Online:
        case Dimension::NotSeen90:
        case Dimension::Monitors:
        case Dimension::Retired:
        case Dimension::Warranty30:
        case Dimension::Expired:
            return rules.Counts(dimension, pc);
        default:
            break;
    }
    const std::string bucket = rules.BucketOf(dimension, pc);
    auto same = [this](const std::string& a, const std::string& b) {
        return dimension == Dimension::Department ? text::EqualsIgnoringCase(a, b) : a == b;
    };
    if (label == OtherLabel() && !shown.empty()) {
        return std::none_of(shown.begin(), shown.end(),
                            [&](const std::string& named) { return same(bucket, named); });
    }
    return same(bucket, label);
}

}  // namespace vantrel::inventory
