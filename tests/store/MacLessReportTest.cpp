// Reports that come without a MAC find their own row by address and PC
// name, never another PC's, and keep a history of their own.
#include <gtest/gtest.h>

#include "InventoryDatabase.h"
#include "IpHistory.h"
#include "ReportStoreFixture.h"

namespace vantrel::store::testing {
namespace {

HardwareReport MacLess(const std::string& ip, const std::string& pcname, const std::string& dh) {
    HardwareReport report = Report("", pcname);
    report.ip = ip;
    report.dh = dh;
    return report;
}

class MacLessReportTest : public ReportStoreFixture {
  protected:
    std::vector<Rows> IpPcnameDh() { return Query("SELECT ip, pcname, dh FROM ip ORDER BY rowid"); }
    std::vector<HistoryEntry> HistoryOf(const std::string& ip, const std::string& pcname) {
        return IpHistory(connection_).HistoryOf(HistoryKey("", ip, pcname), 100).entries;
    }
};

TEST_F(MacLessReportTest, ReportsFromTwoAddressesKeepTwoRowsWithoutAnAlarm) {
    const StoreOutcome zhang = store_.StoreReport(MacLess("10.0.0.5", "PC-ZHANG", "8659"));
    const StoreOutcome wang = store_.StoreReport(MacLess("10.0.0.6", "PC-WANG", "8660"));
    EXPECT_TRUE(zhang.keyedByAddress);
    EXPECT_TRUE(wang.changes.empty());
    ASSERT_EQ(wang.rows.size(), 1u);
    EXPECT_TRUE(wang.rows[0].inserted);
    EXPECT_EQ(IpPcnameDh(), (std::vector<Rows>{{"10.0.0.5", "PC-ZHANG", "8659"},
                                               {"10.0.0.6", "PC-WANG", "8660"}}));
    EXPECT_EQ(Count("1"), 2);
    EXPECT_TRUE(Query("SELECT * FROM ip_history").empty());
}

TEST_F(MacLessReportTest, OneAddressTwiceUpdatesItsRowWithAHistoryOfItsOwn) {
    store_.StoreReport(MacLess("10.0.0.5", "PC-ZHANG", "8659"));
    store_.StoreReport(MacLess("10.0.0.6", "PC-WANG", "8660"));
    const StoreOutcome again = store_.StoreReport(MacLess("10.0.0.5", "PC-ZHANG", "1234"));
    EXPECT_EQ(again.changes, (std::vector<ReportChange>{{"dh", "8659", "1234"}}));
    ASSERT_EQ(again.rows.size(), 1u);
    EXPECT_FALSE(again.rows[0].inserted);
    EXPECT_EQ(again.rows[0].values.dh, "1234");
    EXPECT_EQ(IpPcnameDh(), (std::vector<Rows>{{"10.0.0.5", "PC-ZHANG", "1234"},
                                               {"10.0.0.6", "PC-WANG", "8660"}}));
    // The other PC's history is untouched; the empty-MAC key holds nothing.
    ASSERT_EQ(HistoryOf("10.0.0.5", "PC-ZHANG").size(), 1u);
    EXPECT_EQ(HistoryOf("10.0.0.5", "PC-ZHANG")[0].oldValue, "8659");
    EXPECT_TRUE(HistoryOf("10.0.0.6", "PC-WANG").empty());
    EXPECT_FALSE(IpHistory(connection_).HasHistory(""));

    // A second PC behind the same address, by another name, is a new row;
    // a report naming no PC updates the address's row and keeps its name.
    EXPECT_TRUE(store_.StoreReport(MacLess("10.0.0.5", "PC-LI", "1")).rows.at(0).inserted);
    store_.StoreReport(MacLess("10.0.0.6", "", "9999"));
    EXPECT_EQ(IpPcnameDh(), (std::vector<Rows>{{"10.0.0.5", "PC-ZHANG", "1234"},
                                               {"10.0.0.6", "PC-WANG", "9999"},
                                               {"10.0.0.5", "PC-LI", "1"}}));
    ASSERT_EQ(HistoryOf("10.0.0.6", "PC-WANG").size(), 1u);
}

TEST_F(MacLessReportTest, AReportIsDatedOnceForItsSightingAndEveryRowsHistory) {
    store_.StoreReport(MacLess("10.0.0.5", "PC-ZHANG", "8659"));
    Exec("INSERT INTO ip (mac, ip, pcname, dh) VALUES ('', '10.0.0.5', 'PC-ZHANG', '8659')");
    ReportStore stepping(connection_,
                         testsupport::SteppingClock(testsupport::LocalTime(2024, 6, 1, 8, 0, 0)));
    EXPECT_EQ(stepping.StoreReport(MacLess("10.0.0.5", "PC-ZHANG", "1234")).rows.size(), 2u);
    const std::vector<HistoryEntry> history = HistoryOf("10.0.0.5", "PC-ZHANG");
    ASSERT_FALSE(history.empty());
    for (const HistoryEntry& entry : history) {
        EXPECT_EQ(entry.time, "2024-06-01 08:00:00") << entry.column;
    }
    EXPECT_EQ(Query("SELECT reporttime FROM ip_seen WHERE seenkey = 'IP 10.0.0.5'"),
              (std::vector<Rows>{{"2024-06-01 08:00:00"}}));
}

TEST_F(MacLessReportTest, RowsAlreadySharingAnEmptyMacStayAsTheyAre) {
    Insert({{"mac", ""}, {"ip", "10.0.0.5"}, {"pcname", "A"}, {"dh", "1"}});
    Insert({{"mac", std::nullopt}, {"ip", "10.0.0.6"}, {"pcname", "B"}, {"dh", "2"}});
    Insert({{"mac", "00-11-22-33-44-55"}, {"ip", "10.0.0.7"}, {"pcname", "C"}, {"dh", "3"}});
    store_.StoreReport(MacLess("10.0.0.6", "B", "22"));
    store_.StoreReport(MacLess("10.0.0.7", "C", "33"));  // a MAC row is never matched
    EXPECT_EQ(Query("SELECT mac, ip, dh FROM ip ORDER BY rowid"),
              (std::vector<Rows>{{"", "10.0.0.5", "1"},
                                 {std::nullopt, "10.0.0.6", "22"},
                                 {"00-11-22-33-44-55", "10.0.0.7", "3"},
                                 {"", "10.0.0.7", "33"}}));
}

TEST_F(MacLessReportTest, AReportWithAMacTellsEveryRowItWrote) {
    Insert({{"mac", "AA-BB"}, {"dh", "1"}});
    Insert({{"mac", "aa-bb"}, {"dh", "2"}});
    const StoreOutcome outcome = store_.StoreReport(Report("AA-BB", "pc"));
    EXPECT_FALSE(outcome.keyedByAddress);
    ASSERT_EQ(outcome.rows.size(), 2u);
    EXPECT_EQ(outcome.rows[0].rowid, 1);
    EXPECT_EQ(outcome.rows[1].rowid, 2);
    EXPECT_EQ(outcome.rows[1].values.pcname, "pc");
}

}  // namespace
}  // namespace vantrel::store::testing
