// One row per PC: a report whose MAC the inventory does not hold finds the
// PC it came from by its firmware values or the MACs it lists, and that
// PC's row, with all that is kept under its key, takes the new MAC.
#include <gtest/gtest.h>

#include "IdentityFixture.h"
#include "IdentityMatch.h"
#include "IpSeen.h"
#include "MacLookup.h"

namespace vantrel::store::testing {
namespace {

using Kind = IdentityNote::Kind;
using Values = std::vector<std::optional<std::string>>;

constexpr const char* kUuid1 = "4c4c4544-0042-3510-8051-b4c04f4e3232";
constexpr const char* kUuid2 = "9f2d1c3a-77aa-4b1e-9c0d-2a5e6b7c8d9e";
constexpr const char* kW = "02:00:00:00:00:0A";  // Wi-Fi
constexpr const char* kC = "02:00:00:00:00:0C";  // cable
constexpr const char* kN = "02:00:00:00:00:0E";  // a new card

class IdentityRuleTest : public ReportStoreFixture {};

struct Step {
    HardwareReport report;
    Kind note;
};

struct RuleCase {
    const char* name;
    std::vector<Step> steps;
    Values macs;  // of table ip afterwards, in rowid order
};

HardwareReport MacLess(const std::string& uuid, const std::string& serial) {
    HardwareReport report = CollectorReport("", uuid, serial, {}, "nomac-pc");
    report.ip = "10.0.0.5";
    return report;
}

HardwareReport Browser(const std::string& mac) {
    return Report(mac, "pc");  // sends none of the identity values
}

HardwareReport ListingOnly(const std::string& mac, const std::vector<std::string>& macs) {
    HardwareReport report = Report(mac, "pc");
    report.identity.macs = macs;
    return report;
}

TEST_F(IdentityRuleTest, ReportsOfANewMacFindTheirPcOnlyWhenExactlyOneAgrees) {
    const std::vector<RuleCase> cases = {
        {"Wi-Fi then cable: the cable card is listed, UUID and serial agree",
         {{CollectorReport(kW, kUuid1, "S1", {kW, kC}), Kind::None},
          {CollectorReport(kC, kUuid1, "S1", {kW, kC}), Kind::SamePc},
          {CollectorReport(kW, kUuid1, "S1", {kW, kC}), Kind::SamePc}},
         {kW}},
        {"a new network card: only the UUID and serial tell",
         {{CollectorReport(kW, kUuid1, "S1", {kW}), Kind::None},
          {CollectorReport(kN, kUuid1, "S1", {kN}), Kind::SamePc}},
         {kN}},
        {"the same maker, model and serial without a UUID",
         {{CollectorReport(kW, "", "S1"), Kind::None},
          {CollectorReport(kN, "", "S1"), Kind::SamePc}},
         {kN}},
        {"a cloned UUID on two PCs: serials differ, each its own row",
         {{CollectorReport(kW, kUuid1, "S1"), Kind::None},
          {CollectorReport(kC, kUuid1, "S2"), Kind::ClonedUuid},
          // The second PC's new card: the first PC contradicts by serial.
          {CollectorReport(kN, kUuid1, "S2"), Kind::SamePc}},
         {kW, kN}},
        {"the same serial but another UUID is another PC",
         {{CollectorReport(kW, kUuid1, "S1"), Kind::None},
          {CollectorReport(kN, kUuid2, "S1"), Kind::None}},
         {kW, kN}},
        {"a placeholder serial names no PC",
         {{CollectorReport(kW, "", "Default string"), Kind::None},
          {CollectorReport(kN, "", "Default string"), Kind::None},
          {CollectorReport(kC, "", "To be filled by O.E.M."), Kind::None}},
         {kW, kN, kC}},
        {"a placeholder UUID names no PC",
         {{CollectorReport(kW, "03000200-0400-0500-0006-000700080009", ""), Kind::None},
          {CollectorReport(kN, "03000200-0400-0500-0006-000700080009", ""), Kind::None}},
         {kW, kN}},
        {"a listed MAC the inventory holds, no firmware values",
         {{Browser(kW), Kind::None}, {ListingOnly(kC, {kC, kW}), Kind::SamePc}},
         {kC}},
        {"a listed MAC, but the serial contradicts: the card moved to another PC",
         {{CollectorReport(kW, kUuid1, "S1"), Kind::None},
          {CollectorReport(kN, kUuid2, "S2", {kN, kW}), Kind::None}},
         {kW, kN}},
        {"two PCs agree: no match",
         {{CollectorReport(kW, kUuid1, ""), Kind::None},
          {CollectorReport(kC, kUuid2, ""), Kind::None},
          {ListingOnly(kN, {kN, kW, kC}), Kind::SeveralPcs}},
         {kW, kC, kN}},
        {"a MAC-less row takes the MAC of its PC's first report with one",
         {{MacLess(kUuid1, "S1"), Kind::None}, {CollectorReport(kN, kUuid1, "S1"), Kind::SamePc}},
         {kN}},
        {"a browser's report of a new MAC is a new row, as before",
         {{CollectorReport(kW, kUuid1, "S1"), Kind::None}, {Browser(kN), Kind::None}},
         {kW, kN}},
        {"a PC whose row is gone counts no more",
         {{CollectorReport(kW, kUuid1, "S1"), Kind::None}},
         {kN}},
    };
    for (const RuleCase& c : cases) {
        Exec(
            "DELETE FROM ip; DELETE FROM ip_device; DELETE FROM ip_knownmac; DELETE FROM "
            "ip_monitor;"
            "DELETE FROM ip_history; DELETE FROM ip_seen");
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const StoreOutcome outcome = store_.StoreReport(c.steps[i].report);
            EXPECT_EQ(outcome.identity.kind, c.steps[i].note) << c.name << ", report " << i;
        }
        if (std::string(c.name).starts_with("a PC whose row is gone")) {
            Exec("DELETE FROM ip");  // behind the store's back: ip_device stays
            store_.StoreReport(CollectorReport(kN, kUuid1, "S1"));
        }
        EXPECT_EQ(Column("mac"), c.macs) << c.name;
    }
}

TEST_F(IdentityRuleTest, AMoveTakesEverythingKeptUnderTheOldMacAlong) {
    HardwareReport wifi = CollectorReport(kW, kUuid1, "S1", {kW, kC});
    wifi.identity.monitors->push_back(MakeEdid("DEL", 0xA0C1, 0, "U2419H", "ABC"));
    store_.Store(wifi);
    wifi.cpu = "new cpu";  // one history entry under the Wi-Fi MAC
    store_.Store(wifi);
    Exec(
        "UPDATE ip_seen SET onlinetime = '2024-05-06 08:00:00', address = '10.0.0.9' "
        "WHERE seenkey = '02000000000A'");
    HardwareReport cable = CollectorReport(kC, kUuid1, "S1", {kW, kC});
    cable.identity.monitors = wifi.identity.monitors;
    const StoreOutcome outcome = store_.StoreReport(cable);

    EXPECT_EQ(outcome.identity.kind, Kind::SamePc);
    EXPECT_EQ(outcome.identity.oldMac, kW);
    EXPECT_EQ(outcome.identity.newMac, kC);
    EXPECT_EQ(outcome.identity.serial, "S1");
    ASSERT_EQ(outcome.rows.size(), 1u);
    EXPECT_TRUE(outcome.rows[0].macMoved);
    EXPECT_FALSE(outcome.rows[0].inserted);
    EXPECT_EQ(Column("mac"), (Values{kC}));
    for (const char* table : {"ip_history", "ip_device", "ip_monitor"}) {
        EXPECT_EQ(Query(std::string("SELECT DISTINCT mac FROM ") + table),
                  (std::vector<Values>{{kC}}))
            << table;
    }
    EXPECT_EQ(Query("SELECT othermac, mac FROM ip_knownmac ORDER BY othermac"),
              (std::vector<Values>{{kW, kC}, {kC, kC}}));
    EXPECT_EQ(
        Query("SELECT field, oldvalue, newvalue FROM ip_history ORDER BY id"),
        (std::vector<Values>{{"cpu", "v5", "new cpu"}, {"mac", kW, kC}, {"cpu", "new cpu", "v5"}}));
    // The sighting of the old card now tells of the PC's row.
    EXPECT_EQ(
        Query("SELECT seenkey, onlinetime, reporttime FROM ip_seen"),
        (std::vector<Values>{{"02000000000C", "2024-05-06 08:00:00", "2024-05-06 09:07:03"}}));
    // A sweep answer from the old card is the PC's.
    MacLookup lookup(connection_);
    EXPECT_TRUE(lookup.Holds("02-00-00-00-00-0a"));
    EXPECT_TRUE(lookup.Holds(kC));
    EXPECT_FALSE(lookup.Holds(kN));
}

TEST_F(IdentityRuleTest, TheRuleOnItsOwn) {
    DeviceIdentity reported;
    reported.maker = "HP";
    reported.model = "EliteDesk";
    reported.serial = "S1";
    reported.uuid = kUuid1;
    auto pc = [](const char* key, const char* uuid, const char* serial, bool listed = false,
                 const char* model = "EliteDesk") {
        IdentityCandidate candidate;
        candidate.key = key;
        candidate.device.maker = "HP";
        candidate.device.model = model;
        candidate.device.serial = serial;
        candidate.device.uuid = uuid;
        candidate.listedMac = listed;
        return candidate;
    };
    struct Case {
        const char* name;
        std::vector<IdentityCandidate> candidates;
        Kind kind;
        const char* key;
    };
    const Case cases[] = {
        {"none", {}, Kind::None, ""},
        {"UUID, serial unknown there", {pc("a", kUuid1, "")}, Kind::SamePc, "a"},
        {"UUID with another serial", {pc("a", kUuid1, "S9")}, Kind::ClonedUuid, ""},
        {"clone beside the real one",
         {pc("a", kUuid1, "S9"), pc("b", kUuid1, "S1")},
         Kind::SamePc,
         "b"},
        {"serial, UUID unknown there", {pc("a", "", "S1")}, Kind::SamePc, "a"},
        {"serial of another model", {pc("a", "", "S1", false, "ProDesk")}, Kind::None, ""},
        {"serial with another UUID", {pc("a", kUuid2, "S1")}, Kind::None, ""},
        {"listed MAC, nothing known", {pc("a", "", "", true)}, Kind::SamePc, "a"},
        {"listed MAC, UUID differs", {pc("a", kUuid2, "", true)}, Kind::None, ""},
        {"two agree", {pc("a", kUuid1, ""), pc("b", "", "S1")}, Kind::SeveralPcs, ""},
        {"placeholder serial there", {pc("a", kUuid1, "None")}, Kind::SamePc, "a"},
    };
    for (const Case& c : cases) {
        const IdentityDecision decision = DecideIdentity(&reported, c.candidates);
        EXPECT_EQ(decision.kind, c.kind) << c.name;
        EXPECT_EQ(decision.key, c.key) << c.name;
    }
}

}  // namespace
}  // namespace vantrel::store::testing
