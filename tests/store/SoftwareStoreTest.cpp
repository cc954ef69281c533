// A PC's list of installed programs in the store: what a new list changes
// in the history, that an unchanged one writes nothing, that a killed
// writer leaves the old or the new list whole, and the licences' counts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GbkConvert.h"
#include "IpHistory.h"
#include "KilledChild.h"
#include "Licences.h"
#include "ReportStoreFixture.h"
#include "SoftwareCatalog.h"
#include "SoftwareChanges.h"
#include "SoftwareWriter.h"

namespace vantrel::store::testing {
namespace {

const std::string kMac = "02:4F:00:00:0A:01";

// Programs written "name version" (bits 64 unless "name version /32").
struct Owned {
    std::vector<std::string> lines;
    SoftwareList list;
};
Owned ListOf(const std::vector<std::string>& programs) {
    Owned owned;
    for (const std::string& program : programs) {
        std::string name = program;
        std::string bits = "64";
        if (const auto slash = name.find(" /"); slash != std::string::npos) {
            bits = name.substr(slash + 2);
            name.resize(slash);
        }
        const auto blank = name.rfind(' ');
        owned.lines.push_back(name.substr(0, blank) + "\t" + name.substr(blank + 1) +
                              "\tMaker\t2024-01-02\t" + bits + "\tmachine\t1");
    }
    for (const std::string& line : owned.lines) {
        owned.list.lines.push_back(line);
    }
    return owned;
}

class SoftwareStoreTest : public ReportStoreFixture {
  protected:
    void StoreList(const Owned& owned, const std::string& mac = kMac) {
        store_.StoreReport(Report(mac, "PC1"), "10.0.0.1", &owned.list);
    }
    std::vector<std::string> History() {
        std::vector<std::string> texts;
        for (const auto& row :
             Query("select newvalue from ip_history where field='software' order by id")) {
            texts.push_back(text::GbkToUtf8(*row[0]));
        }
        return texts;
    }
};

struct ChangeCase {
    const char* what;
    std::vector<std::string> before;
    std::vector<std::string> after;
    std::vector<std::string> history;
};

TEST_F(SoftwareStoreTest, InstallsUninstallsAndUpgradesGoIntoTheHistory) {
    const ChangeCase cases[] = {
        {"install", {"Zip 1.0"}, {"Zip 1.0", "WPS Office 12.1.0"}, {"新装 WPS Office 12.1.0"}},
        {"uninstall", {"Zip 1.0", "Game 2"}, {"Zip 1.0"}, {"卸载 Game 2"}},
        {"upgrade",
         {"Google Chrome 119.0"},
         {"Google Chrome 120.0"},
         {"Google Chrome 119.0 → 120.0"}},
        {"32 and 64 bit are two programs",
         {"Tool 1 /32", "Tool 1 /64"},
         {"Tool 2 /64"},
         {"卸载 Tool 1", "Tool 1 → 2"}},
        {"two versions became one",
         {"Lib 1", "Lib 2"},
         {"Lib 3"},
         {"新装 Lib 3", "卸载 Lib 1", "卸载 Lib 2"}},
        {"same programs in another order", {"A 1", "B 2"}, {"B 2", "A 1"}, {}},
    };
    for (const ChangeCase& c : cases) {
        SCOPED_TRACE(c.what);
        Exec("delete from ip_history; delete from ip_software; delete from ip_softlist");
        StoreList(ListOf(c.before));
        EXPECT_TRUE(History().empty()) << "a first list is no change";
        StoreList(ListOf(c.after));
        EXPECT_EQ(History(), c.history);
        EXPECT_EQ(Count(), 1);
        EXPECT_EQ(std::stoll(*Query("select count(*) from ip_software").at(0).at(0)),
                  static_cast<long long>(c.after.size()));
        EXPECT_EQ(*Query("select programs from ip_softlist where mac='" + kMac + "'").at(0).at(0),
                  std::to_string(c.after.size()));
    }
}

TEST_F(SoftwareStoreTest, AnUnchangedListWritesNothingAndNoListKeepsTheOldOne) {
    const Owned list = ListOf({"A 1", "B 2", "C 3"});
    StoreList(list);
    const auto rowids = Query("select rowid from ip_software order by rowid");
    Exec("update ip_softlist set listtime='old'");
    StoreList(list);
    EXPECT_EQ(Query("select rowid from ip_software order by rowid"), rowids);
    EXPECT_EQ(*Query("select listtime from ip_softlist").at(0).at(0), "old");
    store_.StoreReport(Report(kMac, "PC1"), "10.0.0.1", nullptr);
    EXPECT_EQ(Query("select rowid from ip_software order by rowid"), rowids);
    // The hardware's changes stay what they are: a list is none of them.
    const Owned other = ListOf({"A 2"});
    const StoreOutcome outcome = store_.StoreReport(Report(kMac, "PC1"), "10.0.0.1", &other.list);
    EXPECT_TRUE(outcome.changes.empty());
    EXPECT_EQ(History().size(), 3u);
}

TEST_F(SoftwareStoreTest, AReinstalledPcKeepsItsHardwareHistoryAndCountsTheRest) {
    std::vector<std::string> many;
    for (int i = 0; i < 300; ++i) {
        many.push_back("P" + std::to_string(i) + " 1");
    }
    StoreList(ListOf(many));
    StoreList(ListOf({"Fresh 1"}));
    const std::vector<std::string> history = History();
    ASSERT_EQ(history.size(), SoftwareWriter::kMaxHistoryEntries);
    EXPECT_EQ(history.back(), "另有 202 项变更");
}

TEST_F(SoftwareStoreTest, AReportWithoutMacKeepsTheListUnderItsRowsKey) {
    const Owned list = ListOf({"A 1"});
    HardwareReport report = Report("", "PC9");
    report.ip = "10.0.0.9";
    store_.StoreReport(report, "10.0.0.9", &list.list);
    const std::string key = HistoryKey("", "10.0.0.9", "PC9");
    EXPECT_EQ(ReadPcSoftware(connection_, key).programs.size(), 1u);
    EXPECT_TRUE(ReadPcSoftware(connection_, kMac).programs.empty());
}

TEST_F(SoftwareStoreTest, AnOlderFileGainsTheTablesAtOpen) {
    connection_.Close();
    Exec("drop table ip_software; drop table ip_softlist; drop table ip_licence");
    OpenStore();
    EXPECT_EQ(Query("select name from sqlite_master where name in ('ip_software','ip_softlist',"
                    "'ip_licence','ip_software_mac','ip_software_name')")
                  .size(),
              5u);
    StoreList(ListOf({"A 1"}));
    EXPECT_EQ(ReadPcSoftware(connection_, kMac).programs.size(), 1u);
}

// A writer killed while it replaces lists of 300 programs, one report after
// the other, leaves one of them whole, with its digest and count.
TEST_F(SoftwareStoreTest, AKilledWriterLeavesTheOldOrTheNewListWhole) {
    const int last = testsupport::KillAfterSteps(20, [&](const testsupport::StepDone& done) {
        InventoryDatabase connection;
        connection.Open(path_);
        ReportStore reports(connection);
        for (int i = 0;; ++i) {
            std::vector<std::string> programs;
            for (int p = 0; p < 300; ++p) {
                programs.push_back((i % 2 == 0 ? "Even" : "Odd") + std::to_string(p) + " " +
                                   std::to_string(i));
            }
            const Owned list = ListOf(programs);
            reports.StoreReport(Report(kMac, "PC1"), "10.0.0.1", &list.list);
            done(i);
        }
    });
    ASSERT_GE(last, 19);
    OpenStore();
    EXPECT_EQ(*Query("pragma integrity_check").at(0).at(0), "ok");
    const PcSoftware stored = ReadPcSoftware(connection_, kMac);
    ASSERT_EQ(stored.programs.size(), 300u);
    const std::string version = stored.programs.front().version;
    EXPECT_GE(std::stoi(version), last);
    for (const InstalledProgram& program : stored.programs) {
        EXPECT_EQ(program.version, version);
    }
    EXPECT_EQ(*Query("select digest from ip_softlist").at(0).at(0),
              SoftwareDigest(stored.programs));
}

struct PatternCase {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(LicencePattern, StarStandsForAnyTextAndAsciiCaseIsIgnored) {
    const PatternCase cases[] = {
        {"Microsoft Office*", "Microsoft Office Professional Plus 2016", true},
        {"microsoft office*", "MICROSOFT OFFICE 2019", true},
        {"Microsoft Office*", "Microsoft Visio", false},
        {"*Chrome", "Google Chrome", true},
        {"*Chrome", "Google Chrome Beta", false},
        {"A*B*C", "AxxByyC", true},
        {"A*B*C", "AC", false},
        {"WPS", "wps", true},
        {"WPS", "WPS Office", false},
        {"*", "anything", true},
        // 办公 in GBK; its trail byte 0xAB is no "*", and an ASCII letter
        // is never a trail byte's match.
        {"\xB0\xEC*", "\xB0\xEC\xB9\xAB", true},
        {"*\xB9\xAB", "\xB0\xEC\xB9\xAB", true},
        {"*\x40", "\xB0\x40", false},
    };
    for (const PatternCase& c : cases) {
        EXPECT_EQ(PatternMatches(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
    }
}

TEST_F(SoftwareStoreTest, APatternsSeatsCoverEveryProgramItNamesOncePerPc) {
    const Owned suite = ListOf({"Microsoft Office Word 16", "Microsoft Office Excel 16"});
    const Owned word = ListOf({"Microsoft Office Word 16", "WPS 12"});
    const Owned wps = ListOf({"WPS 12"});
    StoreList(suite, "02:00:00:00:00:01");
    StoreList(word, "02:00:00:00:00:02");
    StoreList(wps, "02:00:00:00:00:03");
    Licences licences(connection_);
    licences.SetSeats("Microsoft Office*", 1);
    licences.SetSeats("WPS", 5, "site licence");
    licences.SetSeats("  WPS ", 2);
    EXPECT_THROW(licences.SetSeats("  ", 2), StoreError);
    ASSERT_EQ(licences.All().size(), 2u);
    EXPECT_EQ(licences.All()[1].note, "site licence");

    const SoftwareCatalog catalog = ReadSoftwareCatalog(connection_);
    EXPECT_EQ(catalog.listedPcs, 3u);
    ASSERT_EQ(catalog.lines.size(), 3u);
    // By PCs, most first.
    EXPECT_EQ(catalog.lines[0].pcs, 2u);
    EXPECT_EQ(catalog.lines[2].name, "Microsoft Office Excel");
    for (const CatalogLine& line : catalog.lines) {
        SCOPED_TRACE(line.name);
        ASSERT_TRUE(line.licence);
        const bool office = line.name.starts_with("Microsoft");
        EXPECT_EQ(line.licensedPcs, office ? 2u : 2u);
        EXPECT_EQ(line.Shortfall(), office ? 1u : 0u);
    }
    const SoftwareCounts counts = ReadSoftwareCounts(connection_);
    EXPECT_EQ(counts.listedPcs, 3u);
    EXPECT_EQ(counts.shortPrograms, 2u);
    EXPECT_EQ(KeysHaving(connection_, "WPS").size(), 2u);
    EXPECT_EQ(KeysHaving(connection_, "WPS", "11").size(), 0u);
    licences.Remove("Microsoft Office*");
    EXPECT_EQ(ReadSoftwareCounts(connection_).shortPrograms, 0u);
}

}  // namespace
}  // namespace vantrel::store::testing
