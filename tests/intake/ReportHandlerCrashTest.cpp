// The program killed with SIGKILL while 16 browsers report: every report
// that was thanked is in the file afterwards, with its values, every
// overwrite that reached the file has its history and no history row
// stands without its overwrite, and the file passes the integrity check.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <tuple>

#include "HttpService.h"
#include "HttpTestSupport.h"
#include "ReportHandlerTestSupport.h"

namespace vantrel::intake::test {
namespace {

const std::string kThankYou =
    "\xD0\xBB\xD0\xBB\xCC\xE1\xB9\xA9\xD3\xB2\xBC\xFE\xD0\xC5\xCF\xA2\xA3\xA1\xD4\xD9\xBC\xFB";
const std::string kDepartment = "\xBC\xBC\xCA\xF5\xB2\xBF";  // 技术部

// Runs the store, the handler and the service in this (forked) process and
// writes the port to `out`; never returns.
[[noreturn]] void Serve(const std::string& file, int out) {
    try {
        store::InventoryDatabase connection;
        connection.Open(file);
        FakeSink sink;
        ReportHandler handler(connection, sink, FixedTime, TestDataPath("report-arp-missing.txt"));
        HttpService service(0);
        service.SetOnCommandGet(
            [&](Connection& c, const HttpRequest& r, HttpReply&) { handler.RouteRequest(c, r); });
        service.StartService();
        std::uint16_t port = service.Port();
        if (::write(out, &port, sizeof port) != sizeof port) {
            _exit(2);
        }
        for (;;) {
            ::pause();
        }
    } catch (...) {
        _exit(1);
    }
}

std::string Post(const std::string& mac, long long n) {
    std::string body = "xipMac=" + mac + "&xipName=PC-" + std::to_string(n) +
                       "&xipUserName=%D5%C5%C8%FD&bm=%BC%BC%CA%F5%B2%BF&bz=" + std::to_string(n);
    return "POST /post HTTP/1.1\r\nHost: 127.0.0.1\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(ReportHandlerCrashTest, EveryThankedReportSurvivesKill9) {
    std::mt19937 random(12);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ScratchDatabase db;
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            Serve(db.File(), pipeFds[1]);
        }
        ::close(pipeFds[1]);
        std::uint16_t port = 0;
        ASSERT_EQ(::read(pipeFds[0], &port, sizeof port), static_cast<ssize_t>(sizeof port));
        ::close(pipeFds[0]);

        // Each client reports new PCs and overwrites the first one it made,
        // until the server is gone.
        std::mutex mutex;
        std::vector<std::pair<std::string, long long>> thanked;  // mac, n
        std::atomic<int> thanks{0};
        std::vector<std::thread> clients;
        for (int c = 0; c < 16; ++c) {
            clients.emplace_back([&, c] {
                for (long long i = 0;; ++i) {
                    long long n = c * 100000 + i;
                    std::string mac = "C" + std::to_string(c) + "-" + std::to_string(i % 3 ? i : 0);
                    std::string reply = intake::testing::Exchange(port, Post(mac, n));
                    if (reply.size() < kThankYou.size() ||
                        reply.compare(reply.size() - kThankYou.size(), kThankYou.size(),
                                      kThankYou) != 0) {
                        return;
                    }
                    std::lock_guard<std::mutex> lock(mutex);
                    thanked.emplace_back(mac, n);
                    ++thanks;
                }
            });
        }
        int wanted = 10 + static_cast<int>(random() % 60);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (thanks < wanted && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        for (std::thread& client : clients) {
            client.join();
        }
        ASSERT_TRUE(WIFSIGNALED(status)) << "the server ended on its own";
        EXPECT_GE(thanks.load(), wanted);

        // Opening the store again rolls back what the kill interrupted.
        {
            store::InventoryDatabase reopened;
            reopened.Open(db.File());
        }
        EXPECT_EQ(db.Query("pragma integrity_check"), (std::vector<Row>{{"ok"}}));
        EXPECT_EQ(db.Count("mac in (select mac from ip group by mac having count(*) > 1)"), 0);
        // A MAC reported again holds the last thanked report or a later one
        // that committed before the kill.
        std::map<std::string, long long> last;
        for (const auto& [mac, n] : thanked) {
            last[mac] = std::max(last[mac], n);
        }
        for (const auto& [mac, n] : last) {
            std::vector<Row> rows =
                db.Query("select pcname, username, bm, bz from ip where mac='" + mac + "'");
            ASSERT_EQ(rows.size(), 1u) << mac;
            ASSERT_TRUE(rows[0][3].has_value()) << mac;
            long long stored = std::stoll(*rows[0][3]);
            EXPECT_GE(stored, n) << mac;
            EXPECT_EQ(rows[0], (Row{"PC-" + std::to_string(stored), "\xD5\xC5\xC8\xFD", kDepartment,
                                    std::to_string(stored)}))
                << mac;
        }
        // Each overwrite of a client's first PC changed pcname and bz: their
        // history runs from the first report's values to the row's, link
        // by link.
        for (const Row& row : db.Query("select mac, bz, pcname from ip where mac like '%-0'")) {
            const std::string& mac = *row[0];
            const long long first = std::stoll(mac.substr(1, mac.size() - 3)) * 100000;
            for (const auto& [field, prefix, now] :
                 {std::tuple{"bz", "", *row[1]}, std::tuple{"pcname", "PC-", *row[2]}}) {
                std::string expected = prefix + std::to_string(first);
                const std::vector<Row> links =
                    db.Query("select oldvalue, newvalue from ip_history where mac='" + mac +
                             "' and field='" + field + "' order by id");
                for (const Row& link : links) {
                    EXPECT_EQ(link[0], expected) << mac << " " << field;
                    expected = link[1].value_or("(null)");
                }
                EXPECT_EQ(expected, now) << mac << " " << field;
            }
        }
        EXPECT_EQ(db.Query("select count(*) from ip_history where field not in ('bz', 'pcname') "
                           "or mac not like '%-0'"),
                  (std::vector<Row>{{"0"}}));
    }
}

}  // namespace
}  // namespace vantrel::intake::test
