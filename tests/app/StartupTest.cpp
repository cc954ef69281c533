// Start-up of the main window: the log lines, the grid, the online list and
// the sweep range, and each way a start-up step can fail.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include "GbkConvert.h"
#include "GbkText.h"
#include "HttpService.h"
#include "InventoryModel.h"
#include "OnlineListModel.h"
#include "ScanError.h"
#include "VantrelVersion.h"
#include "WindowFixture.h"

namespace vantrel::app::test {
namespace {

// ":8899已开启，可通知员工用IE访问此地址，以便收集硬件信息。"
const std::string kListening =
    ":8899\xd2\xd1\xbf\xaa\xc6\xf4\xa3\xac\xbf\xc9\xcd\xa8\xd6\xaa\xd4\xb1\xb9\xa4\xd3\xc3IE"
    "\xb7\xc3\xce\xca\xb4\xcb\xb5\xd8\xd6\xb7\xa3\xac\xd2\xd4\xb1\xe3\xca\xd5\xbc\xaf\xd3\xb2"
    "\xbc\xfe\xd0\xc5\xcf\xa2\xa1\xa3";
const std::string kRule(33, '=');
const std::string kFinance = "\xb2\xc6\xce\xf1\xb2\xbf";  // 财务部

// Departments in an order the sort must change; one is null.
const char kSeed[] =
    "insert into ip (bm, username, mac) values ('c', 'u1', '00-00-00-00-00-01');"
    "insert into ip (bm, username, mac) values (cast(x'b2c6cef1b2bf' as text), 'u2', "
    "'00-00-00-00-00-02');"
    "insert into ip (bm, username, mac) values ('a', 'u3', '00-00-00-00-00-03');"
    "insert into ip (bm, username, mac) values (null, 'u4', '00-00-00-00-00-04');"
    "insert into ip (bm, username, mac) values ('b', 'u5', '00-00-00-00-00-05');";

using Startup = WindowFixture;

TEST_F(Startup, NormalStartLogsTwoLinesShowsSortedGridHeaderAndRange) {
    MakeDatabase(kSeed);
    MainWindow& form = Open();

    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
    EXPECT_EQ(form.EventLog().LogLines(),
              (std::vector<std::string>{"http://192.168.1.23" + kListening, kRule}));
    EXPECT_EQ(GridColumn(form, 0), (std::vector<std::string>{"", "a", "b", "c", kFinance}));
    EXPECT_EQ(GridColumn(form, 1), (std::vector<std::string>{"u4", "u3", "u5", "u1", "u2"}));
    EXPECT_EQ(form.Inventory().Dataset().Sort(), "bm");
    // The grid's cursor and its row indicator stand on the dataset's
    // current row, and only there.
    const int current = static_cast<int>(form.Inventory().Dataset().RecNo());
    ASSERT_GE(current, 0);
    EXPECT_EQ(Grid(form)->currentIndex().row(), current);
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(Model(form)->headerData(r, Qt::Vertical).toString(),
                  r == current ? QString(QChar(0x25B6)) : QString());
    }

    EXPECT_EQ(form.Scan().List().Cell(0, 0), "PC\xd6\xf7\xbb\xfa\xc3\xfb");  // PC主机名
    EXPECT_EQ(form.Scan().List().RowCount(), 2u);
    EXPECT_EQ(ToGbk(OnlineCells(form)->headerData(3, Qt::Horizontal).toString()),
              "\xcc\xee\xb1\xa8\xd7\xb4\xcc\xac");  // 填报状态
    EXPECT_EQ(OnlineCells(form)->rowCount(),
              1);  // the empty slot

    EXPECT_EQ(Control<QLineEdit>(form, "firstAddressEdit")->text(), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(Control<QLineEdit>(form, "lastAddressEdit")->text(), QStringLiteral("192.168.1.254"));
    EXPECT_TRUE(program->Intake().Active());
}

TEST_F(Startup, RangeFollowsTheAddressPrefixRule) {
    MakeDatabase();
    const std::vector<std::array<std::string, 3>> cases{
        {"10.20.30.40", "10.20.30.1", "10.20.30.254"},
        {"127.0.0.1", "127.0.0.1", "127.0.0.254"},
        {"", "1", "254"},
        {"fe80-no-dots-at-all", "fe80-no-dots-at-1", "fe80-no-dots-at-254"},
    };
    for (const auto& [address, first, last] : cases) {
        localAddress = address;
        MainWindow& form = Open();
        EXPECT_EQ(Control<QLineEdit>(form, "firstAddressEdit")->text().toStdString(), first)
            << address;
        EXPECT_EQ(Control<QLineEdit>(form, "lastAddressEdit")->text().toStdString(), last)
            << address;
        EXPECT_EQ(form.EventLog().LogLines().front(), "http://" + address + kListening);
    }
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(Startup, MissingDatabaseShowsOneErrorAndSkipsTheRemainingSteps) {
    MainWindow& form = Open();  // no db.mdb made

    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors.front().find("db.mdb"), std::string::npos) << dialogs.errors.front();
    EXPECT_EQ(form.EventLog().LogLines(),
              (std::vector<std::string>{"http://192.168.1.23" + kListening, kRule}));
    EXPECT_FALSE(form.Inventory().Dataset().Active());
    EXPECT_EQ(Model(form)->rowCount(), 0);
    EXPECT_EQ(form.Scan().List().Cell(0, 0), "");
    EXPECT_EQ(OnlineCells(form)->headerData(0, Qt::Horizontal).toString(), QString());
    EXPECT_TRUE(Control<QLineEdit>(form, "firstAddressEdit")->text().isEmpty());
    EXPECT_TRUE(Control<QLineEdit>(form, "lastAddressEdit")->text().isEmpty());
    // The listener keeps running and the window stays usable.
    EXPECT_TRUE(program->Intake().Active());
    // Asked once, answered No: never created.
    EXPECT_EQ(dialogs.questions,
              std::vector<std::string>{ProgramStartup::CreateDatabaseQuestion()});
    EXPECT_FALSE(std::filesystem::exists(options.databasePath));
}

TEST_F(Startup, MissingDatabaseAnsweredYesStartsOnANewEmptyInventory) {
    dialogs.questionAnswer = ModalResult::Yes;
    MainWindow& form = Open();
    EXPECT_EQ(dialogs.questions.size(), 1u);
    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
    EXPECT_EQ(form.EventLog().LogLines(),
              (std::vector<std::string>{"http://192.168.1.23" + kListening, kRule,
                                        ProgramStartup::DatabaseCreatedLine()}));
    EXPECT_TRUE(form.Inventory().Dataset().Active());
    EXPECT_EQ(Model(form)->rowCount(), 0);
    EXPECT_EQ(Control<QLineEdit>(form, "firstAddressEdit")->text(), QStringLiteral("192.168.1.1"));

    // A report lands in it.
    const std::string reply =
        Exchange(Port(), "GET /post?xipUserName=zhang&xipMac=AA-BB HTTP/1.0\r\n\r\n");
    EXPECT_NE(reply.find("200 OK"), std::string::npos);
    EXPECT_EQ(QueryText(options.databasePath, "select username from ip"), "zhang");
}

TEST_F(Startup, TheAboutBoxShowsTheVersion) {
    MakeDatabase();
    MainWindow& form = Open();
    QTest::mouseClick(Control<QToolButton>(form, "aboutButton"), Qt::LeftButton);
    ASSERT_EQ(dialogs.informations.size(), 1u);
    EXPECT_EQ(dialogs.informations[0].rfind(std::string("Vantrel ") + kVantrelVersion + "\n", 0),
              0u);
}

TEST_F(Startup, FurtherLanAddressesGetOneMoreLineAfterTheListeningLine) {
    MakeDatabase(kSeed);
    otherAddresses = {"10.20.30.40", "172.17.0.1"};
    MainWindow& form = Open();
    EXPECT_EQ(form.EventLog().LogLines(),
              (std::vector<std::string>{
                  "http://192.168.1.23" + kListening,
                  text::Utf8ToGbk("本机还有这些地址：10.20.30.40、172.17.0.1"), kRule}));
    // The range still comes from the chosen address.
    EXPECT_EQ(Control<QLineEdit>(form, "firstAddressEdit")->text(), QStringLiteral("192.168.1.1"));
}

TEST_F(Startup, FileThatIsNotADatabaseIsReportedLikeAMissingOne) {
    std::ofstream(options.databasePath) << "not a database at all, just some text";
    MainWindow& form = Open();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(form.EventLog().LogLines().size(), 2u);
    EXPECT_EQ(Model(form)->rowCount(), 0);
    EXPECT_TRUE(Control<QLineEdit>(form, "firstAddressEdit")->text().isEmpty());
}

TEST_F(Startup, LocalAddressFailureStopsBeforeTheFirstLogLine) {
    MakeDatabase(kSeed);
    options.localAddress = []() -> std::string {
        throw scan::ScanError("Socket Error: host name lookup of \"pc\" failed: Unknown host");
    };
    MainWindow& form = Open();

    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors.front(),
              "Socket Error: host name lookup of \"pc\" failed: Unknown host.");
    EXPECT_TRUE(form.EventLog().LogLines().empty());
    EXPECT_FALSE(form.Inventory().Dataset().Active());
    EXPECT_EQ(Model(form)->rowCount(), 0);
    EXPECT_EQ(form.Scan().List().Cell(0, 0), "");
    EXPECT_TRUE(Control<QLineEdit>(form, "firstAddressEdit")->text().isEmpty());
    EXPECT_TRUE(Control<QLineEdit>(form, "lastAddressEdit")->text().isEmpty());
    EXPECT_TRUE(program->Intake().Active());
}

TEST_F(Startup, ServiceListensBeforeTheStartUpSteps) {
    // The local-address lookup is the first step: by then the listener
    // must already accept connections.
    MakeDatabase();
    options.port = FreePort();
    bool accepted = false;
    options.localAddress = [&]() -> std::string {
        int fd = testsupport::Connect(options.port);
        accepted = fd >= 0;
        if (fd >= 0) {
            ::close(fd);
        }
        return "127.0.0.1";
    };
    Open();
    EXPECT_TRUE(accepted);
}

}  // namespace
}  // namespace vantrel::app::test
