// The real program under a flood of reports with long user names, as an
// attacker on the office network could send them: memory stays bounded and
// SIGTERM still ends the program at once.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "VantrelProcess.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using vantrel::e2e::Exchange;
using vantrel::e2e::VantrelOptions;
using vantrel::e2e::VantrelProcess;

// Resident bytes of a process; 0 when it is gone.
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

TEST(Flood, LongUserNamesLeaveMemoryBoundedAndSigtermEndsAtOnce) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    VantrelOptions options;
    // A sanitizer build keeps freed memory resident on purpose (256 MiB by
    // default); the bound below is for the program's own memory.
    const char* asan = std::getenv("ASAN_OPTIONS");
    options.environment.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                                  (asan && *asan ? ":" : "") + "quarantine_size_mb=16");
    VantrelProcess vantrel(options);

    const std::string body = "xipMac=X&xipUserName=" + std::string(300000, 'a');
    const std::string request =
        "POST /post HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
        "Content-Length: " +
        std::to_string(body.size()) + "\r\n\r\n" + body;
    const auto end = Clock::now() + std::chrono::seconds(4);
    std::atomic<int> stored{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < 4; ++c) {
        clients.emplace_back([&] {
            while (Clock::now() < end) {
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
    const auto exiting = Clock::now() - asked;

    EXPECT_GT(stored.load(), 0);
    EXPECT_LT(peak, std::size_t{300} * 1024 * 1024)
        << "peak RSS " << peak / (1024 * 1024) << " MiB";
    EXPECT_LT(exiting, std::chrono::seconds(1))
        << std::chrono::duration<double>(exiting).count() << " s";
}

}  // namespace
