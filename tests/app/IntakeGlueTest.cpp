// Reports sent to the window's own HTTP service over loopback reach the
// event log and the online list through the main thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "FixedTime.h"
#include "HttpService.h"
#include "WindowFixture.h"

namespace vantrel::app::test {
namespace {

std::string Report(const std::string& user, const std::string& mac, const std::string& ip) {
    return "GET /post?xipUserName=" + user + "&xipMac=" + mac + "&xipIp=" + ip +
           " HTTP/1.0\r\n\r\n";
}

class IntakeGlue : public WindowFixture {
  protected:
    void SetUp() override {
        WindowFixture::SetUp();
        options.clock = [] { return testsupport::LocalTime(2026, 12, 8, 9, 5, 7); };
    }
};

TEST_F(IntakeGlue, StoredReportIsLoggedAndMarksItsOnlineListRows) {
    MakeDatabase();
    MainWindow& form = Open();
    form.Scan().List().FillSlot("PC1", "127.0.0.9", "00.11.22.33.44.55");
    form.Scan().OnlineListChanged();

    // %D5%C5%C8%FD is 张三 in GBK.
    const std::string reply = Exchange(Port(), Report("%D5%C5%C8%FD", "AA-BB", "127.0.0.9"));
    EXPECT_NE(reply.find("\xd0\xbb\xd0\xbb"), std::string::npos) << reply;  // 谢谢...

    ASSERT_TRUE(WaitFor([&] { return form.EventLog().LogLines().size() == 3; }));
    EXPECT_EQ(form.EventLog().LogLines()[2],
              "2026-12-8 9:05:07 \xd5\xc5\xc8\xfd \xd2\xd1\xcc\xe1\xbd\xbb\xa3\xa1");
    ASSERT_TRUE(WaitFor([&] { return !form.Scan().List().Cell(3, 1).empty(); }));
    EXPECT_EQ(form.Scan().List().Cell(3, 1), "\xd5\xc5\xc8\xfd \xd2\xd1\xcc\xe1\xbd\xbb");
    EXPECT_EQ(QueryText(options.databasePath, "select username from ip where mac='AA-BB'"),
              "\xd5\xc5\xc8\xfd");
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(IntakeGlue, ClosingWhileReportsArriveEndsPromptlyWithoutACrash) {
    MakeDatabase();
    Open();
    const std::uint16_t port = Port();
    std::atomic<bool> stop{false};
    std::atomic<int> answered{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < 6; ++t) {
        clients.emplace_back([&, t] {
            for (int i = 0; !stop; ++i) {
                const std::string mac = "M" + std::to_string(t) + "-" + std::to_string(i);
                if (!Exchange(port, Report("u", mac, "127.0.0.5")).empty()) {
                    ++answered;
                }
            }
        });
    }
    ASSERT_TRUE(WaitFor([&] { return answered >= 20; }));
    const auto start = std::chrono::steady_clock::now();
    program->Window().close();
    program.reset();  // posts still queued are dropped with the window
    const auto closing = std::chrono::steady_clock::now() - start;
    stop = true;
    for (auto& client : clients) {
        client.join();
    }
    QCoreApplication::processEvents();
    EXPECT_LT(closing, std::chrono::seconds(3));
    EXPECT_EQ(std::filesystem::file_size(options.historyFile), 0u);
}

}  // namespace
}  // namespace vantrel::app::test
