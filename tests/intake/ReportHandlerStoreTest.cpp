// Storing reports: which rows a report writes, what it leaves behind when
// something fails, and what the browser and the window receive.

#include <gtest/gtest.h>

#include "GbkConvert.h"
#include "ReportHandlerTestSupport.h"
#include "ReportText.h"

namespace vantrel::intake::test {
namespace {

const std::string kThankYouReply =
    "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html; charset=GBK\r\n"
    "Content-Length: 22\r\n\r\n"
    // 谢谢提供硬件信息！再见
    "\xD0\xBB\xD0\xBB\xCC\xE1\xB9\xA9\xD3\xB2\xBC\xFE\xD0\xC5\xCF\xA2\xA3\xA1\xD4\xD9\xBC\xFB";

// 张三 in code page 936.
const std::string kZhangSan = "\xD5\xC5\xC8\xFD";
// " 已提交！"
const std::string kSubmitted = "\x20\xD2\xD1\xCC\xE1\xBD\xBB\xA3\xA1";
// "（未取得 MAC，按 IP 地址 127.0.0.1 登记）"
const std::string kMacLess127 = text::Utf8ToGbk("（未取得 MAC，按 IP 地址 127.0.0.1 登记）");

class ReportHandlerStoreTest : public ::testing::Test {
  protected:
    ReportHandlerStoreTest()
        : handler(connection, sink, FixedTime, TestDataPath("report-arp-missing.txt")) {
        connection.Open(db.File());
    }

    void Post(const std::vector<std::string>& params, const std::string& client = "127.0.0.1",
              const std::string& method = "POST") {
        HttpRequest request = MakeRequest(method, "/post", params, client);
        const bool failWrites = peer.failWrites;
        peer = FakeConnection();
        peer.failWrites = failWrites;
        handler.RouteRequest(peer, request);
    }

    std::vector<Row> Rows(const std::string& where = "1") const {
        return db.Query(std::string("select ") + kReportColumns + " from ip where " + where +
                        " order by rowid");
    }

    ScratchDatabase db;
    store::InventoryDatabase connection;
    FakeSink sink;
    FakeConnection peer;
    ReportHandler handler;
};

TEST_F(ReportHandlerStoreTest, NewMacAddsOneRowLogsRepliesThenMarks) {
    Post({"xipName=PC-01", "xipUserName=" + kZhangSan, "xipMac=00:1A:2B:3C:4D:5E",
          "xipIp=192.168.1.20", "xipCpu=8", "xipBoard=B760", "xipOs=Windows 10",
          "xipDorl=\xCC\xA8\xCA\xBD" /* 台式 */, "xipRammax=16 GB", "xipRammin=9 GB",
          "xipBios=1.2.3", "bm=\xB2\xC6\xCE\xF1" /* 财务 */, "dh=8001", "bz=a'b\"c", "xipYp=512G",
          "xipXk=Intel UHD"});

    const std::vector<Row> expected{{"PC-01", kZhangSan, "00:1A:2B:3C:4D:5E", "192.168.1.20", "8",
                                     "B760", "Windows 10", "\xCC\xA8\xCA\xBD", "16 GB", "9 GB",
                                     "1.2.3", "\xB2\xC6\xCE\xF1", "8001", "a'b\"c", "512G",
                                     "Intel UHD"}};
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(db.Count("djsj is not null"), 1) << "the database dates a new row";

    EXPECT_EQ(peer.written, kThankYouReply);
    EXPECT_TRUE(peer.closed);
    EXPECT_TRUE(peer.stopped);
    EXPECT_EQ(sink.Events(),
              (std::vector<std::string>{"log:2024-5-6 9:07:03 " + kZhangSan + kSubmitted,
                                        "mark:192.168.1.20|" + kZhangSan}));
}

TEST_F(ReportHandlerStoreTest, KnownMacOverwritesEveryRowWithItAndKeepsMacAndDate) {
    db.Exec(
        "insert into ip (pcname,mac,djsj) values ('old1','AA-BB','2020-01-02 03:04:05');"
        "insert into ip (pcname,mac,djsj) values ('other','CC-DD','2020-01-02 03:04:05');"
        "insert into ip (pcname,mac,djsj) values ('old2','AA-BB','2021-06-07 08:09:10');");

    // The database compares MACs without regard to letter case.
    Post({"xipMac=aa-bb", "xipName=new", "xipUserName=u", "xipIp=10.1.1.1"});
    Post({"xipMac=aa-bb", "xipName=newer", "xipUserName=u", "xipIp=10.1.1.2"});

    EXPECT_EQ(db.Count(), 3);
    const auto rows = db.Query("select pcname,mac,ip,djsj from ip order by rowid");
    const std::vector<Row> expected{{"newer", "AA-BB", "10.1.1.2", "2020-01-02 03:04:05"},
                                    {"other", "CC-DD", std::nullopt, "2020-01-02 03:04:05"},
                                    {"newer", "AA-BB", "10.1.1.2", "2021-06-07 08:09:10"}};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(sink.Lines().size(), 2u);
}

TEST_F(ReportHandlerStoreTest, MissingAndEmptyValuesAreStoredAsEmptyText) {
    // A row whose mac is null is not the empty MAC.
    db.Exec("insert into ip (pcname) values ('null mac')");

    Post({"xipBoard=", "xipMac="}, "127.0.0.1");
    // The peer's address stands in for the missing xipIp; loopback has no
    // neighbour entry, so the report is keyed on the empty MAC.
    Row expected(16, std::string());
    expected[3] = "127.0.0.1";
    EXPECT_EQ(Rows("pcname is not 'null mac'"), std::vector<Row>{expected});
    EXPECT_EQ(Rows("pcname = 'null mac'").at(0).at(2), std::nullopt);

    // A second report without MAC from the same address overwrites that
    // address's empty-MAC row.
    Post({"xipUserName=again"}, "127.0.0.1");
    EXPECT_EQ(db.Count(), 2);
    EXPECT_EQ(db.Count("mac = '' and username = 'again'"), 1);
    EXPECT_EQ(sink.Lines().front(), "2024-5-6 9:07:03 " + kSubmitted + kMacLess127)
        << "an empty user leaves two blanks before the text";
    EXPECT_EQ(sink.Marks().front(), (std::pair<std::string, std::string>{"127.0.0.1", ""}));
}

TEST_F(ReportHandlerStoreTest, MacLessPcsAtTwoAddressesKeepTheirOwnRows) {
    // The fixture's neighbour table is missing: no peer gets a MAC.
    Post({"xipUserName=" + kZhangSan, "dh=8659"}, "10.0.0.8");
    Post({"xipUserName=wang", "dh=8660"}, "10.0.0.9");
    Post({"xipUserName=" + kZhangSan, "dh=1234"}, "10.0.0.8");
    EXPECT_EQ(db.Query("select ip, username, dh from ip order by rowid"),
              (std::vector<Row>{{"10.0.0.8", kZhangSan, "1234"}, {"10.0.0.9", "wang", "8660"}}));
    EXPECT_EQ(sink.Lines().at(1), "2024-5-6 9:07:03 wang" + kSubmitted +
                                      text::Utf8ToGbk("（未取得 MAC，按 IP 地址 10.0.0.9 登记）"));
    EXPECT_EQ(sink.Lines().size(), 3u) << "a telephone is no hardware alarm";
    // A MAC the report carries keys it as before, with no such ending.
    Post({"xipUserName=li", "xipMac=AA-BB"}, "10.0.0.8");
    EXPECT_EQ(sink.Lines().back(), "2024-5-6 9:07:03 li" + kSubmitted);
}

TEST_F(ReportHandlerStoreTest, NamesMatchInAnyCaseAndTheFirstEntryWins) {
    Post({"XIPMAC=m1", "xipmac=m2", "XipUserName=first", "xipUserName=second", "BM=dept",
          "XIPIP=10.0.0.1", "xipIp=10.0.0.2", "noequals", "=orphan"});
    const auto rows = db.Query("select mac,username,bm,ip from ip");
    EXPECT_EQ(rows, (std::vector<Row>{{"m1", "first", "dept", "10.0.0.1"}}));
}

TEST_F(ReportHandlerStoreTest, MacWithQuotesReachesOnlyItsOwnRows) {
    db.Exec(
        "insert into ip (pcname,mac) values ('quoted','a''b');"
        "insert into ip (pcname,mac) values ('plain','x');");

    Post({"xipMac=x' or '1'='1", "xipName=attack"});
    EXPECT_EQ(db.Count(), 3) << "an unknown quoted MAC adds a row";
    EXPECT_EQ(db.Count("pcname = 'attack'"), 1);

    Post({"xipMac=a'b", "xipName=updated"});
    EXPECT_EQ(db.Count(), 3);
    EXPECT_EQ(db.Query("select pcname from ip order by rowid"),
              (std::vector<Row>{{"updated"}, {"plain"}, {"attack"}}));
}

TEST_F(ReportHandlerStoreTest, LongUserNameIsCutInTheLogLineOnly) {
    // 63 bytes, then 张 would straddle the 64-byte mark: it goes whole.
    const std::string name = std::string(63, 'a') + "\xD5\xC5" + std::string(300000, 'b');
    const std::string fits = std::string(62, 'c') + "\xD5\xC5";
    Post({"xipMac=L1", "xipUserName=" + name, "xipIp=10.0.0.4"});
    Post({"xipMac=L2", "xipUserName=" + fits});
    EXPECT_EQ(sink.Lines(), (std::vector<std::string>{"2024-5-6 9:07:03 " + std::string(63, 'a') +
                                                          "\xA1\xAD" + kSubmitted,
                                                      "2024-5-6 9:07:03 " + fits + kSubmitted}));
    EXPECT_EQ(db.Query("select username from ip where mac = 'L1'"), (std::vector<Row>{{name}}));
    EXPECT_EQ(sink.Marks().at(0).second, name) << "the online list shows the whole name";
}

TEST_F(ReportHandlerStoreTest, HeadStoresTheReportButGetsHeadersOnly) {
    Post({"xipMac=H1", "xipUserName=u"}, "127.0.0.1", "HEAD");
    EXPECT_EQ(db.Count("mac = 'H1'"), 1);
    EXPECT_EQ(peer.written, kThankYouReply.substr(0, kThankYouReply.size() - 22));
    EXPECT_EQ(sink.Marks().size(), 1u);
}

TEST_F(ReportHandlerStoreTest, BrowserGoneBeforeTheThankYouLeavesRowAndLogButNoMark) {
    peer.failWrites = true;
    EXPECT_THROW(Post({"xipMac=G1", "xipUserName=u", "xipIp=10.0.0.3"}), IntakeError);
    EXPECT_EQ(db.Count("mac = 'G1'"), 1);
    EXPECT_EQ(sink.Lines(), (std::vector<std::string>{"2024-5-6 9:07:03 u" + kSubmitted}));
    EXPECT_TRUE(sink.Marks().empty());
    EXPECT_FALSE(peer.closed) << "an error skips the closing";
}

TEST(ReportHandlerStoreFailure, StoreNotOpenFailsWithItsMessageAndLeavesNothing) {
    store::InventoryDatabase closed;
    FakeSink sink;
    FakeConnection peer;
    ReportHandler handler(closed, sink, FixedTime, TestDataPath("report-arp-missing.txt"));
    HttpRequest request = MakeRequest("GET", "/post", {"xipMac=A", "xipUserName=u"});
    try {
        handler.RouteRequest(peer, request);
        FAIL() << "a closed store must fail the report";
    } catch (const std::exception& error) {
        EXPECT_STRNE(error.what(), "");
    }
    EXPECT_EQ(peer.written, "");
    EXPECT_FALSE(peer.closed);
    EXPECT_TRUE(sink.Events().empty());
}

TEST(ReportHandlerStoreFailure, RejectedStatementCarriesTheDatabaseMessage) {
    ScratchDatabase db;
    store::InventoryDatabase connection;
    connection.Open(db.File());
    db.Exec("insert into ip (mac) values ('keep'); alter table ip rename to ip_old;");

    FakeSink sink;
    FakeConnection peer;
    ReportHandler handler(connection, sink, FixedTime, TestDataPath("report-arp-missing.txt"));
    HttpRequest request = MakeRequest("GET", "/post", {"xipMac=keep", "xipName=changed"});
    try {
        handler.RouteRequest(peer, request);
        FAIL() << "a missing table must fail the report";
    } catch (const std::exception& error) {
        EXPECT_NE(std::string(error.what()).find("no such table"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(db.Query("select mac, pcname from ip_old"),
              (std::vector<Row>{{"keep", std::nullopt}}));
    EXPECT_EQ(peer.written, "");
    EXPECT_TRUE(sink.Events().empty());

    // The handler's statement query recovers once the table is back.
    db.Exec("alter table ip_old rename to ip;");
    handler.RouteRequest(peer, request);
    EXPECT_EQ(db.Query("select pcname from ip"), (std::vector<Row>{{"changed"}}));
}

}  // namespace
}  // namespace vantrel::intake::test
