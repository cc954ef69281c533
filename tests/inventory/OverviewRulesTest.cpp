// The overview's counting rules: what each chart's buckets hold, which PCs
// each card counts, and that a click's selection picks exactly the rows
// counted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FixedTime.h"
#include "GbkConvert.h"
#include "InventoryOverview.h"
#include "NicMakers.h"

namespace vantrel::inventory::testing {
namespace {

std::string G(const char* utf8) {
    return text::Utf8ToGbk(utf8);
}

const NicMakers& Makers() {
    static const NicMakers makers = NicMakers::Load(VANTREL_TEST_DATA "/ieee");
    return makers;
}

// 2024-05-06 09:07:03.
OverviewRules Rules(SeenIndex seen = {}) {
    return OverviewRules(std::move(seen), Makers(), testsupport::LocalTime(2024, 5, 6, 9, 7, 3));
}

PcFacts Pc(std::string_view field, std::string_view value) {
    PcFacts pc;
    if (field == "rammax") {
        pc.rammax = value;
    } else if (field == "cpu") {
        pc.cpu = value;
    } else if (field == "os") {
        pc.os = value;
    } else if (field == "pctype") {
        pc.pctype = value;
    }
    return pc;
}

TEST(OverviewRules, MemoryIsReadFromItsTextAndBucketedToTheSizeFitted) {
    struct Case {
        const char* rammax;
        const char* bucket;  // UTF-8
    };
    const Case cases[] = {
        {"8192MB", "8 GB"},  {"8192 mb", "8 GB"},  {"8 GB", "8 GB"},     {"7.88 GB", "8 GB"},
        {"3.87 GB", "4 GB"}, {"3072MB", "4 GB"},   {"2048MB", "≤ 2 GB"}, {"512 MB", "≤ 2 GB"},
        {"1978", "≤ 2 GB"},  {"16384MB", "16 GB"}, {"12 GB", "16 GB"},   {"32768MB", "≥ 32 GB"},
        {"1 TB", "≥ 32 GB"}, {"", "未知"},         {"lots", "未知"},     {"8192 bytes", "未知"},
        {"0MB", "未知"},     {"1.2.3GB", "未知"},
    };
    const OverviewRules rules = Rules();
    for (const Case& c : cases) {
        EXPECT_EQ(rules.BucketOf(Dimension::Memory, Pc("rammax", c.rammax)), G(c.bucket))
            << c.rammax;
    }
    EXPECT_DOUBLE_EQ(*ParseMemoryMb("8192MB"), 8192.0);
    EXPECT_DOUBLE_EQ(*ParseMemoryMb(" 2 GB "), 2048.0);
    EXPECT_FALSE(ParseMemoryMb("MB"));
}

TEST(OverviewRules, CpuMakersAndFamiliesComeFromTheProcessorName) {
    struct Case {
        const char* cpu;
        const char* family;  // UTF-8
    };
    const Case cases[] = {
        {"Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz", "Intel Core i5"},
        {"Intel(R) Core(TM) i7-10700 CPU @ 2.90GHz", "Intel Core i7"},
        {"Intel(R) Core(TM) i3-7100 CPU @ 3.90GHz", "Intel Core i3"},
        {"12th Gen Intel(R) Core(TM) i9-12900K", "Intel Core i9"},
        {"Intel(R) Core(TM) i5-1135G7 @ 2.40GHz", "Intel Core i5"},
        {"Intel Core i7 CPU 920", "Intel Core i7"},
        {"Intel(R) Core(TM)2 Duo CPU E8400", "Intel Core"},
        {"Intel(R) Pentium(R) CPU G4560 @ 3.50GHz", "Intel Pentium"},
        {"Intel(R) Celeron(R) CPU J1900", "Intel Celeron"},
        {"Intel(R) Xeon(R) CPU E5-2680 v4", "Intel Xeon"},
        {"AMD Ryzen 5 3600 6-Core Processor", "AMD Ryzen 5"},
        {"AMD Ryzen 7 PRO 4750G", "AMD Ryzen 7"},
        {"AMD Ryzen Threadripper 3970X", "AMD Ryzen"},
        {"AMD Athlon(tm) II X2 250", "AMD Athlon"},
        {"AMD A8-7600 Radeon R7", "AMD 其他"},
        {"ARMv8 Processor rev 4 (v8l)", "其他"},
        {"", "未知"},
    };
    const OverviewRules rules = Rules();
    for (const Case& c : cases) {
        EXPECT_EQ(rules.BucketOf(Dimension::CpuFamily, Pc("cpu", c.cpu)), G(c.family)) << c.cpu;
    }
}

TEST(OverviewRules, SystemsAreGroupedByVersionAndOnlyTheEightMostCommonNamed) {
    const OverviewRules rules = Rules();
    const std::pair<std::string, const char*> named[] = {
        {G("Windows 10 专业版"), "Windows 10"},
        {"Windows 10 Pro 64" + G("位") + " (10.0.19045)", "Windows 10"},
        {"Microsoft Windows 7 Ultimate", "Windows 7"},
        {"Microsoft Windows XP Professional", "Windows XP"},
        {"Windows 8.1 Pro", "Windows 8.1"},
        {"Windows Server 2008 R2 Enterprise", "Windows Server 2008 R2"},
        {"Debian GNU/Linux 12 (bookworm)", "Debian GNU/Linux 12"},
        {"", "未知"},
    };
    for (const auto& [os, family] : named) {
        EXPECT_EQ(rules.BucketOf(Dimension::System, Pc("os", os)), G(family)) << os;
    }

    // Ten systems, the n-th on n PCs: the eight largest are named, the two
    // smallest fold into 其他, and 其他 selects exactly those.
    std::vector<std::string> systems;
    for (int n = 1; n <= 10; ++n) {
        for (int i = 0; i < n; ++i) {
            systems.push_back("Windows " + std::to_string(n));
        }
    }
    std::vector<PcFacts> rows;
    for (const std::string& os : systems) {
        rows.push_back(Pc("os", os));
    }
    const Overview overview = CountOverview(rows, rules);
    ASSERT_EQ(overview.systems.size(), kTopSystems + 1);
    EXPECT_EQ(overview.systems.front().label, "Windows 10");
    EXPECT_EQ(overview.systems.front().count, 10u);
    EXPECT_EQ(overview.systems.back().label, OtherLabel());
    EXPECT_EQ(overview.systems.back().count, 3u);  // Windows 1 and 2
    OverviewSelection other{Dimension::System, OtherLabel(), {}};
    for (std::size_t i = 0; i + 1 < overview.systems.size(); ++i) {
        other.shown.push_back(overview.systems[i].label);
    }
    std::size_t picked = 0;
    for (const PcFacts& pc : rows) {
        picked += other.Matches(pc, rules) ? 1 : 0;
    }
    EXPECT_EQ(picked, 3u);
}

TEST(OverviewRules, DepartmentsTypesAndMakersCountAsTheSearchComparesThem) {
    const OverviewRules rules = Rules();
    const std::string finance = G("财务部");
    std::vector<PcFacts> rows(6);
    rows[0].bm = "IT";
    rows[1].bm = "it";  // the search's = ignores ASCII case
    rows[2].bm = finance;
    rows[3].bm = "";
    const std::string desktop = G("台式机");
    const std::string laptop = G("笔记本");
    rows[0].pctype = desktop;
    rows[1].pctype = laptop;
    rows[2].pctype = "Notebook";
    rows[0].mac = "00-0C-29-AB-CD-EF";
    rows[1].mac = "70:B3:D5:F2:F1:23";
    rows[2].mac = "02.00.00.00.00.01";
    rows[3].mac = "000C29000001";
    const Overview overview = CountOverview(rows, rules);
    // Largest first: the three without one, IT in both spellings, 财务部.
    ASSERT_EQ(overview.departments.size(), 3u);
    EXPECT_EQ(overview.departments[0].label, UnfilledLabel());
    EXPECT_EQ(overview.departments[0].count, 3u);
    EXPECT_EQ(overview.departments[1].label, "IT");
    EXPECT_EQ(overview.departments[1].count, 2u);
    EXPECT_EQ(overview.departments[2].label, finance);
    EXPECT_TRUE((OverviewSelection{Dimension::Department, "IT", {}}.Matches(rows[1], rules)));

    ASSERT_EQ(overview.pcTypes.size(), 3u);  // fixed order: desktops, laptops, unknown
    EXPECT_EQ(overview.pcTypes[0].label, G("台式"));
    EXPECT_EQ(overview.pcTypes[0].count, 1u);
    EXPECT_EQ(overview.pcTypes[1].label, laptop);
    EXPECT_EQ(overview.pcTypes[1].count, 2u);
    EXPECT_EQ(overview.pcTypes[2].label, UnknownLabel());
    EXPECT_EQ(overview.pcTypes[2].count, 3u);

    EXPECT_EQ(rules.BucketOf(Dimension::NicMaker, rows[0]), "VMware, Inc.");
    EXPECT_EQ(rules.BucketOf(Dimension::NicMaker, rows[1]), "TELEPLATFORMS");
    EXPECT_EQ(rules.BucketOf(Dimension::NicMaker, rows[2]), G("本地分配"));
    EXPECT_EQ(rules.BucketOf(Dimension::NicMaker, rows[4]), UnknownLabel());
}

TEST(OverviewRules, CardsCountReportsAndSightingsByTheirLatestTime) {
    // Now is 2024-05-06 09:07:03: 30 days back is 04-06, 90 days 02-06.
    SeenIndex seen;
    seen["000C29000001"].reportTime = "2024-05-01 10:00:00";  // registered long ago
    seen["000C29000002"] = {"2024-04-20 08:00:00", "10.1.1.2", "B", "2024-04-20 07:59:00", "", ""};
    seen["000C29000003"] = {"2024-05-06 09:00:00", "10.1.1.3", "C", "2024-05-06 08:59:00", "", ""};
    // Samba's zero MAC: keyed by the address, matched by ip.
    seen[SeenKeyOfAddress("10.1.1.4")] = {"2024-05-06 09:00:05", "10.1.1.4", "D",
                                          "2024-05-06 08:59:00", "",         ""};
    const OverviewRules rules = Rules(seen);
    EXPECT_EQ(rules.LastSweep(), "2024-05-06 08:59:00");

    struct Case {
        const char* mac;
        const char* ip;
        const char* djsj;
        bool reported30, online, notSeen90;
    };
    const Case cases[] = {
        {"00-0c-29-00-00-01", "", "2020-01-01 00:00:00", true, false, false},
        {"00:0C:29:00:00:02", "", "2023-01-01 00:00:00", false, false, false},  // online 04-20
        {"00.0C.29.00.00.03", "", "", false, true, false},
        {"", "10.1.1.4", "2023-12-01 00:00:00", false, true, false},
        // Registered on 04-10 (an import) but never reported.
        {"00-0C-29-00-00-05", "10.1.1.5", "2024-4-10 8:00:00", false, false, false},
        {"00-0C-29-00-00-06", "", "2024-02-05 23:59:59", false, false, true},
        {"00-0C-29-00-00-07", "", "2024-02-06 09:07:03", false, false,
         false},                                            // 90 days to the second
        {"00-0C-29-00-00-08", "", "", false, false, true},  // never seen at all
        {"00-0C-29-00-00-09", "", "not a time", false, false, true},
    };
    for (const Case& c : cases) {
        PcFacts pc;
        pc.mac = c.mac;
        pc.ip = c.ip;
        pc.djsj = c.djsj;
        const OverviewRules::Cards cards = rules.CardsOf(pc);
        EXPECT_EQ(cards.reported30, c.reported30) << c.mac << c.ip;
        EXPECT_EQ(cards.online, c.online) << c.mac << c.ip;
        EXPECT_EQ(cards.notSeen90, c.notSeen90) << c.mac << c.ip;
        EXPECT_EQ(rules.Counts(Dimension::NotSeen90, pc), c.notSeen90);
        EXPECT_EQ(rules.Counts(Dimension::Reported30, pc), c.reported30);
    }
    EXPECT_EQ(NormalTime("2024/5/6 9:07"), "2024-05-06 09:07:00");
    EXPECT_EQ(NormalTime("2024-05-06"), "2024-05-06 00:00:00");
    EXPECT_FALSE(NormalTime("2024-13-01"));
    EXPECT_FALSE(NormalTime("2024-05-06 09:07:03 extra"));
}

}  // namespace
}  // namespace vantrel::inventory::testing
