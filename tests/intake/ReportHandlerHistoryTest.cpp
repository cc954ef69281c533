// Changed hardware stands out: the event-log line that follows a report
// which replaced what a PC's hardware columns held.

#include <gtest/gtest.h>

#include "Gbk.h"
#include "ReportHandlerTestSupport.h"
#include "ReportText.h"

namespace vantrel::intake::test {
namespace {

using store::ReportChange;

// 内存, 硬盘, 主板, 操作系统 and the line's marks.
const std::string kMemory = "\xC4\xDA\xB4\xE6";
const std::string kDisk = "\xD3\xB2\xC5\xCC";
const std::string kBoard = "\xD6\xF7\xB0\xE5";
const std::string kColon = "\xA3\xBA";                  // ：
const std::string kArrow = " \xA1\xFA ";                // →
const std::string kSemicolon = "\xA3\xBB";              // ；
const std::string kEmpty = "\xA3\xA8\xBF\xD5\xA3\xA9";  // （空）

TEST(HardwareChangeLine, NamesChangedAndEmptiedHardwareButNoFirstFill) {
    struct Case {
        const char* what;
        std::vector<ReportChange> changes;
        std::string line;
    };
    const Case cases[] = {
        {"memory changed, disks emptied",
         {{"rammax", "8192MB", "4096MB"}, {"yp", "WDC WD10EZEX (1000GB)", ""}},
         "  " + kMemory + kColon + "8192MB" + kArrow + "4096MB" + kSemicolon + kDisk + kColon +
             "WDC WD10EZEX (1000GB)" + kArrow + kEmpty},
        {"an empty value filled", {{"board", "", "B760"}, {"cpu", std::nullopt, "i5"}}, ""},
        {"who and where are no hardware",
         {{"username", "a", "b"}, {"ip", "10.0.0.1", "10.0.0.2"}, {"bz", "x", ""}},
         ""},
        {"only what counts is named",
         {{"pcname", "a", "b"}, {"cpu", "", "i5"}, {"board", "B660", "B760"}},
         "  " + kBoard + kColon + "B660" + kArrow + "B760"},
        {"BIOS in any letter case",
         {{"BIOS", "1.0", "1.1"}},
         "  BIOS\xBA\xC5" + kColon + "1.0" + kArrow + "1.1"},
        {"no change at all", {}, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HardwareChangeLine(c.changes), c.line) << c.what;
    }
}

TEST(HardwareChangeLine, ALongLineIsCutWholeCharactersFirst) {
    // 主板 repeated: every even byte offset of the value is a boundary.
    std::string board;
    for (int i = 0; i < 200; ++i) {
        board += kBoard;
    }
    for (const std::string& lead : {std::string(), std::string("x")}) {
        const std::string line = HardwareChangeLine({{"board", lead + board, ""}});
        SCOPED_TRACE(lead.empty() ? "even" : "odd");
        EXPECT_LE(line.size(), kMaxHardwareLineBytes);
        EXPECT_GE(line.size(), kMaxHardwareLineBytes - 1);
        EXPECT_TRUE(text::IsValidGbk(line));
        EXPECT_EQ(line.substr(line.size() - 2), "\xA1\xAD");  // …
        EXPECT_EQ(line.rfind("  " + kBoard + kColon + lead + kBoard, 0), 0u);
    }
}

class ReportHandlerHistoryTest : public ::testing::Test {
  protected:
    ReportHandlerHistoryTest()
        : handler(connection, sink, FixedTime, TestDataPath("report-arp-missing.txt")) {
        connection.Open(db.File());
    }

    void Post(const std::vector<std::string>& params, const std::string& client) {
        HttpRequest request = MakeRequest("POST", "/post", params, client);
        FakeConnection peer;
        handler.RouteRequest(peer, request);
    }

    ScratchDatabase db;
    store::InventoryDatabase connection;
    FakeSink sink;
    ReportHandler handler;
};

TEST_F(ReportHandlerHistoryTest, AMemoryChangeIsLoggedAfterTheReportsOwnLine) {
    db.Exec(
        "insert into ip (mac,username,rammax,rammin,board,cpu,ip) "
        "values ('M1','u','8192MB','3000MB','','i5','192.168.1.20');");
    // The board is filled for the first time: no alarm. The free memory
    // differs at every report: the row takes it, the history does not.
    Post({"xipMac=M1", "xipUserName=u", "xipRammax=4096MB", "xipRammin=1234MB", "xipBoard=B760",
          "xipCpu=i5", "xipIp=192.168.1.20"},
         "10.0.0.5");
    const std::string own = "2024-5-6 9:07:03 u \xD2\xD1\xCC\xE1\xBD\xBB\xA3\xA1";  // 已提交！
    EXPECT_EQ(sink.Events(),
              (std::vector<std::string>{"log:" + own,
                                        "log:  " + kMemory + kColon + "8192MB" + kArrow + "4096MB",
                                        "mark:192.168.1.20|u"}));
    EXPECT_EQ(
        db.Query("select field, oldvalue, newvalue, changetime, address from ip_history "
                 "where mac = 'M1' order by id"),
        (std::vector<Row>{{"board", "", "B760", "2024-05-06 09:07:03", "10.0.0.5"},
                          {"rammax", "8192MB", "4096MB", "2024-05-06 09:07:03", "10.0.0.5"}}));
    EXPECT_EQ(db.Query("select rammin from ip where mac = 'M1'"), (std::vector<Row>{{"1234MB"}}));
    // A report that changes nothing else leaves no entry at all.
    Post({"xipMac=M1", "xipUserName=u", "xipRammax=4096MB", "xipRammin=999MB", "xipBoard=B760",
          "xipCpu=i5", "xipIp=192.168.1.20"},
         "10.0.0.5");
    EXPECT_EQ(db.Query("select count(*) from ip_history where mac = 'M1'"),
              (std::vector<Row>{{"2"}}));
    EXPECT_EQ(sink.Lines().size(), 3u);

    // A first report and a report that only fills in add no line.
    Post({"xipMac=M2", "xipUserName=u", "xipRammax=8GB"}, "10.0.0.6");
    Post({"xipMac=M2", "xipUserName=u", "xipRammax=8GB", "xipYp=SSD"}, "10.0.0.6");
    EXPECT_EQ(sink.Lines().size(), 5u);
}

}  // namespace
}  // namespace vantrel::intake::test
