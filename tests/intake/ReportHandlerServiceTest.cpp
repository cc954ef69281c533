// The handler installed on a real service over loopback: the exact bytes a
// client receives, and many reports at once.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "HttpService.h"
#include "HttpTestSupport.h"
#include "IntakeLimits.h"
#include "ReportHandlerTestSupport.h"

namespace vantrel::intake::test {
namespace {

const std::string kThankYouReply =
    "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html; charset=GBK\r\n"
    "Content-Length: 22\r\n\r\n"
    // 谢谢提供硬件信息！再见
    "\xD0\xBB\xD0\xBB\xCC\xE1\xB9\xA9\xD3\xB2\xBC\xFE\xD0\xC5\xCF\xA2\xA3\xA1\xD4\xD9\xBC\xFB";
const std::string kSubmitted = "\x20\xD2\xD1\xCC\xE1\xBD\xBB\xA3\xA1";  // " 已提交！"

class ReportHandlerServiceTest : public ::testing::Test {
  protected:
    ReportHandlerServiceTest() {
        connection.Open(db.File());
        service.SetOnCommandGet([this](Connection& c, const HttpRequest& r, HttpReply&) {
            handler.RouteRequest(c, r);
        });
        service.StartService();
        port = service.Port();
    }

    std::string Exchange(const std::string& request) {
        return intake::testing::Exchange(port, request);
    }

    static std::string FormPost(const std::string& body) {
        return "POST /post HTTP/1.1\r\nHost: 127.0.0.1\r\n"
               "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n\r\n" + body;
    }

    ScratchDatabase db;
    TempDir pages;
    store::InventoryDatabase connection;
    FakeSink sink;
    ReportHandler handler{connection, sink, FixedTime, TestDataPath("report-arp-missing.txt")};
    HttpService service{0};
    intake::testing::ServiceGuard guard{service};
    std::uint16_t port = 0;
};

TEST_F(ReportHandlerServiceTest, ClientsReceiveCompleteRepliesAndNothingElse) {
    ReportHandler pageHandler(connection, sink, FixedTime);
    service.StopService();
    service.SetOnCommandGet(
        [&](Connection& c, const HttpRequest& r, HttpReply&) { pageHandler.RouteRequest(c, r); });
    service.StartService();
    port = service.Port();
    WorkingDirectory cwd(pages.Path());

    // Page missing: the service's 500 reply with the handler's message.
    EXPECT_EQ(Exchange("GET / HTTP/1.1\r\n\r\n"),
              "HTTP/1.1 500 Internal Server Error\r\nConnection: close\r\n"
              "Content-Type: text/html\r\nContent-Length: 24\r\nServer: Vantrel\r\n\r\n"
              "File \"ip.html\" not found");

    std::ofstream(pages.Path() / "ip.html", std::ios::binary) << "<p>\xC4\xE3</p>";
    const std::string pageHead =
        "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html\r\n"
        "Content-Length: 9\r\n\r\n";
    EXPECT_EQ(Exchange("GET / HTTP/1.0\r\n\r\n"), pageHead + "<p>\xC4\xE3</p>");
    EXPECT_EQ(Exchange("HEAD / HTTP/1.1\r\n\r\n"), pageHead);

    // A GBK name sent percent-encoded by a form is stored as its bytes.
    EXPECT_EQ(Exchange(FormPost("xipMac=M1&xipUserName=%D5%C5+%C8%FD&bz=a%26b")), kThankYouReply);
    EXPECT_EQ(db.Query("select username, bz, ip from ip where mac = 'M1'"),
              (std::vector<Row>{{"\xD5\xC5 \xC8\xFD", "a&b", "127.0.0.1"}}));
    EXPECT_EQ(Exchange("GET /post?xipMac=M2 HTTP/1.1\r\n\r\n"), kThankYouReply);
    EXPECT_EQ(db.Count(), 2);

    EXPECT_EQ(Exchange("GET /POST?xipMac=M3 HTTP/1.1\r\n\r\n"), "");
    EXPECT_EQ(Exchange("GET /post/?xipMac=M3 HTTP/1.1\r\n\r\n"), "");
    EXPECT_EQ(db.Count(), 2);
}

TEST_F(ReportHandlerServiceTest, SimultaneousReportsOfOneNewMacLeaveOneRow) {
    constexpr int kReports = 50;
    std::atomic<int> ready{0};
    std::vector<std::string> replies(kReports);
    std::vector<std::thread> clients;
    for (int i = 0; i < kReports; ++i) {
        clients.emplace_back([&, i] {
            const std::string request = FormPost("xipMac=0A:0B:0C:0D:0E:0F&xipUserName=u" +
                                                 std::to_string(i) + "&xipIp=10.9.9.9");
            ready.fetch_add(1);
            while (ready.load() < kReports) {
                std::this_thread::yield();
            }
            replies[static_cast<std::size_t>(i)] = Exchange(request);
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    EXPECT_EQ(std::count(replies.begin(), replies.end(), kThankYouReply), kReports);
    EXPECT_EQ(db.Count(), 1);
    EXPECT_EQ(sink.Lines().size(), static_cast<std::size_t>(kReports));
    EXPECT_EQ(sink.Marks().size(), static_cast<std::size_t>(kReports));
}

TEST_F(ReportHandlerServiceTest, ManyClientsWithDistinctMacsEachGetTheirRowAndLogLine) {
    constexpr int kClients = 16;
    constexpr int kReports = 200;
    std::atomic<int> next{0};
    std::atomic<int> thanked{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&] {
            for (int i = next.fetch_add(1); i < kReports; i = next.fetch_add(1)) {
                const std::string n = std::to_string(i);
                if (Exchange(FormPost("xipMac=MAC-" + n + "&xipUserName=user-" + n +
                                      "&xipName=PC-" + n)) == kThankYouReply) {
                    thanked.fetch_add(1);
                }
            }
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    EXPECT_EQ(thanked.load(), kReports);
    EXPECT_EQ(db.Count(), kReports);
    EXPECT_EQ(db.Count("pcname = 'PC-' || substr(mac, 5)"), kReports) << "rows are not mixed up";

    std::set<std::string> expected;
    for (int i = 0; i < kReports; ++i) {
        expected.insert("2024-5-6 9:07:03 user-" + std::to_string(i) + kSubmitted);
    }
    const std::vector<std::string> lines = sink.Lines();
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), expected);
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(kReports));
}

// Whether every connection completes within `limit`. Connection attempts the
// full listen queue dropped are retried by the kernel, all at the same time.
bool AllConnected(const std::vector<int>& fds, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::vector<pollfd> waiting;
    for (int fd : fds)
        waiting.push_back({fd, POLLOUT, 0});
    while (!waiting.empty() && std::chrono::steady_clock::now() < deadline) {
        ::poll(waiting.data(), waiting.size(), 100);
        std::erase_if(waiting, [](const pollfd& p) { return (p.revents & POLLOUT) != 0; });
    }
    return waiting.empty();
}

// Idle connections cost a thread each but take nothing from a new report:
// all but two of the service's connections, idle, from 40 loopback
// addresses (each within its share), then a report is answered at once.
TEST_F(ReportHandlerServiceTest, ReportIsAnsweredPromptlyWhileAllOtherConnectionsIdle) {
    constexpr int kIdle = static_cast<int>(intake::kMaxConnections) - 2;
    constexpr int kSources = 40;
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < 2 * kIdle + 256) {
        GTEST_SKIP() << "descriptor limit " << limit.rlim_cur << " is too low";
    }
    std::vector<int> idle;
    for (int i = 0; i < kIdle; ++i) {
        idle.push_back(intake::testing::ConnectFrom(
            port, "127.0.1." + std::to_string(1 + i % kSources), false));
        ASSERT_GE(idle.back(), 0) << i;
    }
    ASSERT_TRUE(AllConnected(idle, std::chrono::seconds(30)));
    // Every idle connection has been accepted once nothing waits in the
    // queue any more: a fresh connection is served behind them.
    Exchange("GET /nothing HTTP/1.0\r\n\r\n");
    double fastest = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Exchange(FormPost("xipMac=IDLE-" + std::to_string(i))), kThankYouReply);
        fastest = std::min(fastest, std::chrono::duration<double, std::milli>(
                                        std::chrono::steady_clock::now() - start)
                                        .count());
    }
    EXPECT_LT(fastest, 100.0);
    for (int fd : idle) {
        ::close(fd);
    }
}

}  // namespace
}  // namespace vantrel::intake::test
