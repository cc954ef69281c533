// The real program under a flood of reports that each carry a list of
// installed programs at the bounds (5,000 lines, close to 512 KB): every
// list is read and stored, memory stays bounded and the program still
// ends at once on SIGTERM.

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackClient.h"
#include "VantrelProcess.h"

namespace {

using Clock = std::chrono::steady_clock;
using vantrel::e2e::Exchange;
using vantrel::e2e::VantrelOptions;
using vantrel::e2e::VantrelProcess;

std::size_t ResidentBytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            std::size_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

// A list of 5,000 programs of about 100 bytes, form-encoded; each client's
// PC a MAC of its own, each round another version so that every report
// replaces its PC's list.
std::string Body(int client, int round) {
    std::string list;
    for (int p = 0; p < 5000; ++p) {
        list += "Program+" + std::to_string(p) + "+of+a+long+enough+name%09" +
                std::to_string(round) +
                ".0%09Publisher+Corporation+Limited%092024-01-02%0964%09"
                "machine%091%0D%0A";
    }
    return "xipMac=02:00:00:00:00:0" + std::to_string(client) + "&xipUserName=flood" +
           "&xipSoftware=" + list;
}

TEST(SoftwareFlood, ReportsWithListsAtTheBoundsLeaveMemoryBounded) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    VantrelOptions options;
    const char* asan = std::getenv("ASAN_OPTIONS");
    options.environment.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                                  (asan && *asan ? ":" : "") + "quarantine_size_mb=16");
    VantrelProcess vantrel(options);
    const auto end = Clock::now() + std::chrono::seconds(6);
    std::atomic<int> stored{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < 6; ++c) {
        clients.emplace_back([&, c] {
            for (int round = 0; Clock::now() < end; ++round) {
                const std::string body = Body(c, round);
                const std::string request =
                    "POST /post HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                    "Content-Length: " +
                    std::to_string(body.size()) + "\r\n\r\n" + body;
                if (Exchange(request).find("\xD0\xBB\xD0\xBB") != std::string::npos) {
                    ++stored;
                }
            }
        });
    }
    std::size_t peak = 0;
    while (Clock::now() < end) {
        peak = std::max(peak, ResidentBytes(vantrel.Pid()));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    for (auto& client : clients) {
        client.join();
    }
    const auto asked = Clock::now();
    EXPECT_EQ(vantrel.Terminate(), 0) << vantrel.Output();
    EXPECT_LT(Clock::now() - asked, std::chrono::seconds(1));
    EXPECT_GT(stored.load(), 6);
    EXPECT_LT(peak, std::size_t{300} * 1024 * 1024)
        << "peak RSS " << peak / (1024 * 1024) << " MiB";
}

}  // namespace
