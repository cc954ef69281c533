#pragma once
// The counts of the overview tab and the rules behind them: which bucket a
// PC falls into for each chart, and which PCs each card counts. The same
// rules pick the rows a click on a bar, slice or card shows, so that the
// inventory tab shows exactly the rows counted. No SQL and no Qt: the rows
// come from OverviewSource or the dataset, as GBK bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "AssetFields.h"
#include "IpColumns.h"
#include "LastSeen.h"

namespace vantrel::inventory {

class NicMakers;

// The columns of one row of table ip the overview reads.
struct PcFacts {
    std::string_view bm;
    std::string_view os;
    std::string_view pctype;
    std::string_view rammax;
    std::string_view cpu;
    std::string_view mac;
    std::string_view ip;
    std::string_view djsj;
    std::string_view pcname;  // with mac and ip, the key of the PC's asset record
};

// Each column of table ip the overview reads and where PcFacts holds it:
// the one list of them, from which the read and the row filter follow.
struct PcFactColumn {
    protocol::IpColumnId column;
    std::string_view PcFacts::*field;
};
inline constexpr std::array<PcFactColumn, 9> kPcFactColumns{{
    {protocol::IpColumnId::bm, &PcFacts::bm},
    {protocol::IpColumnId::os, &PcFacts::os},
    {protocol::IpColumnId::pctype, &PcFacts::pctype},
    {protocol::IpColumnId::rammax, &PcFacts::rammax},
    {protocol::IpColumnId::cpu, &PcFacts::cpu},
    {protocol::IpColumnId::mac, &PcFacts::mac},
    {protocol::IpColumnId::ip, &PcFacts::ip},
    {protocol::IpColumnId::djsj, &PcFacts::djsj},
    {protocol::IpColumnId::pcname, &PcFacts::pcname},
}};

// What the overview counts of a PC beyond its row: the maker and model its
// collector sent and its connected monitors.
struct PcHardware {
    std::string maker;  // GBK
    std::string model;
    std::size_t monitors = 0;
};
// By the PC's key as PcKeyForLookup gives it.
using HardwareIndex = std::unordered_map<std::string, PcHardware>;

// Memory in MB from rammax: "8192MB", "8192 MB", "8 GB", "3.87 GB",
// "8192" (MB); "KB" and "TB" are understood too. Nullopt for anything else.
std::optional<double> ParseMemoryMb(std::string_view rammax);

// A time as "YYYY-MM-DD HH:MM:SS" from "YYYY-M-D[ H:M[:S]]" with "-" or "/"
// between the date's parts; nullopt for anything else.
std::optional<std::string> NormalTime(std::string_view text);

enum class Dimension {
    All,         // card: PCs in the inventory
    Reported30,  // card: reported in the last 30 days
    Online,      // card: online at the last sweep
    NotSeen90,   // card: neither reported nor online in the last 90 days
    Department,  // bm
    System,      // os, by product and version
    Memory,      // rammax, in buckets
    PcType,      // desktop or laptop
    CpuFamily,   // cpu, maker and family
    NicMaker,    // the maker of the MAC's network card
    Model,       // maker and model, as the collector sent them
    Monitors,    // card: PCs with a connected monitor (it counts the monitors)
    Retired,     // card: status 报废 in the asset record (left out of NotSeen90)
    Warranty30,  // card: warranty ends within 30 days (retired PCs aside)
    Expired,     // card: warranty ended (retired PCs aside)
};

// What a count needs besides the rows: when ip_seen saw each PC, the
// network-card makers and the present time.
class OverviewRules {
  public:
    OverviewRules(SeenIndex seen, const NicMakers& makers, const std::tm& now);

    // The bucket of `pc` for a chart's dimension (GBK), before the chart
    // folds its smaller buckets into 其他.
    std::string BucketOf(Dimension dimension, const PcFacts& pc) const;
    // Whether a card's dimension counts `pc`; All counts every row.
    bool Counts(Dimension card, const PcFacts& pc) const;
    struct Cards {
        bool reported30 = false;
        bool online = false;
        bool notSeen90 = false;
        bool retired = false;
        bool warranty30 = false;
        bool expired = false;
    };
    // The network-card maker of `pc` (GBK).
    std::string_view MakerOf(const PcFacts& pc) const;
    // The three cards at once, as a count needs them.
    Cards CardsOf(const PcFacts& pc) const;

    // The PCs' asset records (status, warranty end), judged as of `now`.
    void SetAssets(AssetIndex assets) { assets_ = std::move(assets); }

    // The start of the latest sweep recorded; "" when none.
    const std::string& LastSweep() const { return lastSweep_; }

    // The PCs' makers, models and monitors; none known until set.
    void SetHardware(HardwareIndex hardware) { hardware_ = std::move(hardware); }
    // What is known of `pc` beyond its row; null when nothing.
    const PcHardware* HardwareOf(const PcFacts& pc) const;

  private:
    SeenIndex seen_;
    const NicMakers& makers_;
    std::string since30_;
    std::string since90_;
    std::string lastSweep_;
    HardwareIndex hardware_;
    AssetIndex assets_;
    std::tm today_{};
};

// One bar or slice.
struct OverviewBucket {
    std::string label;  // GBK
    std::size_t count = 0;
};

struct Overview {
    std::size_t total = 0;
    std::size_t reported30 = 0;
    std::size_t online = 0;
    std::size_t notSeen90 = 0;
    std::size_t retired = 0;
    std::size_t warranty30 = 0;
    std::size_t expired = 0;
    // Largest first; the charts' fixed orders for memory and PC type.
    std::vector<OverviewBucket> departments;
    std::vector<OverviewBucket> systems;
    std::vector<OverviewBucket> memory;
    std::vector<OverviewBucket> pcTypes;
    std::vector<OverviewBucket> cpus;
    std::vector<OverviewBucket> makers;
    std::vector<OverviewBucket> models;
    std::size_t monitors = 0;  // connected, of all PCs
};

// How many buckets a chart shows before the rest become 其他.
inline constexpr std::size_t kTopSystems = 8;
inline constexpr std::size_t kTopDepartments = 12;
inline constexpr std::size_t kTopMakers = 10;
inline constexpr std::size_t kTopCpus = 12;
inline constexpr std::size_t kTopModels = 8;

// Labels, GBK: 其他, 未知, 未填 (an empty department).
const std::string& OtherLabel();
const std::string& UnknownLabel();
const std::string& UnfilledLabel();

// Counts the rows in one pass.
Overview CountOverview(const std::vector<PcFacts>& rows, const OverviewRules& rules);

// What a click chose: a card, or a bucket of a chart. For 其他 the
// buckets the chart shows by name are kept, since 其他 is all the rest.
struct OverviewSelection {
    Dimension dimension = Dimension::All;
    std::string label;               // the bucket; "" for a card
    std::vector<std::string> shown;  // for 其他: the chart's named buckets

    bool Matches(const PcFacts& pc, const OverviewRules& rules) const;
};

}  // namespace vantrel::inventory
