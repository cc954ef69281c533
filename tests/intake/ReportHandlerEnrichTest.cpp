// Facts a browser cannot send: the peer's address and the MAC the
// neighbour table holds for it. Also the event log's time format.

#include <gtest/gtest.h>

#include "NeighbourTable.h"
#include "ReportHandlerTestSupport.h"
#include "ReportText.h"

namespace vantrel::intake::test {
namespace {

TEST(ReportHandlerNeighbourTable, FindsTheResolvedEthernetEntryOfExactlyThatAddress) {
    const NeighbourTable table(TestDataPath("report-arp.txt"));
    // An incomplete entry before the resolved one is skipped.
    EXPECT_EQ(table.MacOf("10.0.0.5"), "3C:97:0E:AA:BB:0C");
    EXPECT_EQ(table.MacOf("10.0.0.7"), "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(table.MacOf("10.0.0.70"), "DE:AD:BE:EF:00:01") << "permanent entries count";
    EXPECT_EQ(table.MacOf("10.0.0.8"), "") << "incomplete";
    EXPECT_EQ(table.MacOf("10.0.0.9"), "") << "all-zero address";
    EXPECT_EQ(table.MacOf("10.0.0.11"), "") << "not an Ethernet address";
    EXPECT_EQ(table.MacOf("10.0.0.1"), "");
    EXPECT_EQ(table.MacOf("127.0.0.1"), "");
    EXPECT_EQ(table.MacOf(""), "");
    EXPECT_EQ(table.MacOf("IP"), "") << "the title line is no entry";
    EXPECT_EQ(NeighbourTable(TestDataPath("report-arp-missing.txt")).MacOf("10.0.0.7"), "");
}

class ReportHandlerEnrichTest : public ::testing::Test {
  protected:
    ReportHandlerEnrichTest()
        : handler(connection, sink, FixedTime, TestDataPath("report-arp.txt")) {
        connection.Open(db.File());
    }

    Row Report(const std::vector<std::string>& params, const std::string& client) {
        FakeConnection peer;
        HttpRequest request = MakeRequest("POST", "/post", params, client);
        handler.RouteRequest(peer, request);
        return db.Query("select mac, ip from ip order by rowid desc limit 1").at(0);
    }

    ScratchDatabase db;
    store::InventoryDatabase connection;
    FakeSink sink;
    ReportHandler handler;
};

TEST_F(ReportHandlerEnrichTest, PeerAddressAndItsMacFillWhatTheReportLacks) {
    EXPECT_EQ(Report({"xipUserName=a"}, "10.0.0.7"), (Row{"00:1A:2B:3C:4D:5E", "10.0.0.7"}));
    EXPECT_EQ(sink.Marks().back().first, "10.0.0.7") << "the mark uses the address stored";

    // Empty values count as missing.
    EXPECT_EQ(Report({"xipMac=", "xipIp="}, "10.0.0.5"), (Row{"3C:97:0E:AA:BB:0C", "10.0.0.5"}));

    // A second report of the same PC overwrites its row.
    Report({"xipUserName=b"}, "10.0.0.7");
    EXPECT_EQ(db.Count("mac = '00:1A:2B:3C:4D:5E'"), 1);
}

TEST_F(ReportHandlerEnrichTest, ValuesTheReportCarriesAreKept) {
    EXPECT_EQ(Report({"xipMac=11-22-33", "xipIp=192.168.9.9"}, "10.0.0.7"),
              (Row{"11-22-33", "192.168.9.9"}));
    EXPECT_EQ(sink.Marks().back().first, "192.168.9.9");
    // Only the IP carried: the MAC still comes from the peer's entry.
    EXPECT_EQ(Report({"xipIp=192.168.9.10"}, "10.0.0.70"),
              (Row{"DE:AD:BE:EF:00:01", "192.168.9.10"}));
    // Only the MAC carried: the IP comes from the peer.
    EXPECT_EQ(Report({"xipMac=44-55"}, "10.0.0.7"), (Row{"44-55", "10.0.0.7"}));
}

TEST_F(ReportHandlerEnrichTest, PeersWithoutNeighbourEntryAreKeyedByTheirAddress) {
    EXPECT_EQ(Report({"xipUserName=a"}, "127.0.0.1"), (Row{"", "127.0.0.1"}));
    EXPECT_EQ(Report({"xipUserName=b"}, "10.0.0.8"), (Row{"", "10.0.0.8"}));
    EXPECT_EQ(db.Count(), 2) << "two PCs without a MAC never share a row";
    Report({"xipUserName=a2"}, "127.0.0.1");
    EXPECT_EQ(db.Count("mac = '' and ip = '127.0.0.1' and username = 'a2'"), 1);
    EXPECT_EQ(db.Count(), 2);
}

TEST(ReportHandlerLogLine, TimeHasNoLeadingZeroOnMonthDayAndHour) {
    EXPECT_EQ(FormatLogTime(FixedTime()), "2024-5-6 9:07:03");
    std::tm late = FixedTime();
    late.tm_mon = 11;
    late.tm_mday = 31;
    late.tm_hour = 23;
    late.tm_min = 59;
    late.tm_sec = 59;
    EXPECT_EQ(FormatLogTime(late), "2024-12-31 23:59:59");
    std::tm midnight = FixedTime();
    midnight.tm_hour = 0;
    midnight.tm_min = 0;
    midnight.tm_sec = 0;
    EXPECT_EQ(FormatLogTime(midnight), "2024-5-6 0:00:00");
    // User names are logged as the bytes sent.
    EXPECT_EQ(ReportLogLine(midnight, "\xD5\xC5"),
              "2024-5-6 0:00:00 \xD5\xC5\x20\xD2\xD1\xCC\xE1\xBD\xBB\xA3\xA1");
}

}  // namespace
}  // namespace vantrel::intake::test
