// Start-up on a folder whose db.mdb is an Access file: the conversion's log
// line after the two start-up lines, the converted rows in the grid, a report
// landing on its row; and a file that cannot be converted: the error box, an
// empty grid, reports refused, nothing renamed; and a file on which
// mdbtools loops for ever: the window and the box within 10 s.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "GbkText.h"
#include "HttpService.h"
#include "InventoryModel.h"
#include "WindowFixture.h"

namespace vantrel::app::test {
namespace {

const std::string kAccessData = std::string(VANTREL_TEST_DATA) + "/access/";
const std::string kRule(33, '=');

// 已将 Access 数据库 db.mdb 转换为本程序的格式（200 条记录），原文件保存为 db.mdb.access
const std::string kConverted =
    "\xd2\xd1\xbd\xab Access \xca\xfd\xbe\xdd\xbf\xe2 db.mdb \xd7\xaa\xbb\xbb\xce\xaa\xb1\xbe"
    "\xb3\xcc\xd0\xf2\xb5\xc4\xb8\xf1\xca\xbd\xa3\xa8"
    "200 \xcc\xf5\xbc\xc7\xc2\xbc\xa3\xa9\xa3\xac\xd4\xad\xce\xc4\xbc\xfe\xb1\xa3\xb4\xe6\xce"
    "\xaa db.mdb.access";

// A MAC of the file's first row and its user (高华秀).
const std::string kMac = "1C:1B:0D:BB:1A:D5";
const std::string kUser = "\xb8\xdf\xbb\xaa\xd0\xe3";

std::string Report(const std::string& mac) {
    // %D5%C5%C8%FD is 张三 in GBK.
    return "GET /post?xipUserName=%D5%C5%C8%FD&xipMac=" + mac + "&xipIp=127.0.0.9 HTTP/1.0\r\n\r\n";
}

using AccessStartup = WindowFixture;

TEST_F(AccessStartup, ConvertedRowsFillTheGridAndReportsUpdateThem) {
    std::filesystem::copy_file(kAccessData + "inventory-2000.mdb", options.databasePath);
    MainWindow& form = Open();

    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
    const std::vector<std::string> log = form.EventLog().LogLines();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1], kRule);
    EXPECT_EQ(log[2], kConverted);
    EXPECT_EQ(ReadFile(options.databasePath + ".access"),
              ReadFile(kAccessData + "inventory-2000.mdb"));

    // Every row, sorted by department (column 0); the users are the file's.
    ASSERT_EQ(Model(form)->rowCount(), 200);
    EXPECT_EQ(form.Inventory().Dataset().Sort(), "bm");
    const std::vector<std::string> departments = GridColumn(form, 0);
    EXPECT_TRUE(std::is_sorted(departments.begin(), departments.end()));
    const std::vector<std::string> users = GridColumn(form, 1);
    EXPECT_EQ(std::count(users.begin(), users.end(), kUser), 1);

    const std::string reply = Exchange(Port(), Report("1C%3A1B%3A0D%3ABB%3A1A%3AD5"));
    EXPECT_NE(reply.find("200 OK"), std::string::npos) << reply;
    ASSERT_TRUE(WaitFor([&] { return form.EventLog().LogLines().size() >= 4; }));
    EXPECT_EQ(QueryText(options.databasePath, "select count(*) from ip"), "200");
    EXPECT_EQ(QueryText(options.databasePath, "select count(*) from ip where mac='" + kMac + "'"),
              "1");
    EXPECT_EQ(QueryText(options.databasePath, "select username from ip where mac='" + kMac + "'"),
              "\xd5\xc5\xc8\xfd");
}

TEST_F(AccessStartup, FileThatCannotBeConvertedFailsTheStartAndStaysAsItWas) {
    const std::string broken =
        std::string("\x00\x01\x00\x00Standard Jet DB", 19) + std::string(8192, '\x5a');
    std::ofstream(options.databasePath, std::ios::binary) << broken;
    MainWindow& form = Open();

    ASSERT_EQ(dialogs.errors.size(), 1u);
    // 无法把 … 作为 Access 数据库打开
    EXPECT_NE(dialogs.errors.front().find(
                  "\xd7\xf7\xce\xaa Access \xca\xfd\xbe\xdd\xbf\xe2\xb4\xf2\xbf\xaa"),
              std::string::npos)
        << dialogs.errors.front();
    EXPECT_EQ(form.EventLog().LogLines().size(), 2u);
    EXPECT_EQ(Model(form)->rowCount(), 0);
    const std::string reply = Exchange(Port(), Report("AA-BB"));
    EXPECT_NE(reply.find("500"), std::string::npos) << reply;
    EXPECT_EQ(ReadFile(options.databasePath), broken);
    for (const auto& entry : std::filesystem::directory_iterator(folder.path().toStdString())) {
        EXPECT_EQ(entry.path().filename().string().find("db.mdb."), std::string::npos)
            << entry.path();
    }
}

TEST_F(AccessStartup, FileOnWhichMdbtoolsLoopsOpensTheWindowWithTheBoxWithinTenSeconds) {
    const std::string damaged = ReadFile(kAccessData + "damaged/catalog-loop-97.mdb");
    std::filesystem::copy_file(kAccessData + "damaged/catalog-loop-97.mdb", options.databasePath);
    const auto start = std::chrono::steady_clock::now();
    MainWindow& form = Open();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    ASSERT_EQ(dialogs.errors.size(), 1u);
    // 读取 Access 数据库 … 超过 6 秒仍未结束，已中止
    EXPECT_NE(dialogs.errors.front().find("\xb3\xac\xb9\xfd 6 \xc3\xeb\xc8\xd4\xce\xb4"
                                          "\xbd\xe1\xca\xf8\xa3\xac\xd2\xd1\xd6\xd0"
                                          "\xd6\xb9"),
              std::string::npos)
        << dialogs.errors.front();
    EXPECT_EQ(Model(form)->rowCount(), 0);
    EXPECT_EQ(ReadFile(options.databasePath), damaged);
    for (const auto& entry : std::filesystem::directory_iterator(folder.path().toStdString())) {
        EXPECT_EQ(entry.path().filename().string().find("db.mdb."), std::string::npos)
            << entry.path();
    }
}

}  // namespace
}  // namespace vantrel::app::test
