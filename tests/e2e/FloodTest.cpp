// The real program under floods an attacker on the office network could
// send: reports with long user names, and hundreds of slow connections
// that each send a megabyte of header lines and then go quiet. Memory stays
// bounded, reports are still thanked and SIGTERM still ends the program at
// once.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <cerrno>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackClient.h"
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

// A sanitizer build keeps freed memory resident on purpose (256 MiB by
// default); the bounds below are for the program's own memory.
VantrelOptions SmallQuarantine() {
    VantrelOptions options;
    const char* asan = std::getenv("ASAN_OPTIONS");
    options.environment.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                                  (asan && *asan ? ":" : "") + "quarantine_size_mb=16");
    return options;
}

TEST(Flood, LongUserNamesLeaveMemoryBoundedAndSigtermEndsAtOnce) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    VantrelProcess vantrel(SmallQuarantine());

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

// Whether the server still holds the connection open: nothing to read yet,
// neither an end nor a reset.
bool StillOpen(int fd) {
    char byte;
    return ::recv(fd, &byte, 1, MSG_DONTWAIT) < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

// From 10 addresses, 500 connections that each send 1,000 header lines of
// 990 bytes and then nothing: without a bound on them all together they
// held 500 threads and about 580 MB. Beyond the connection total and the
// bytes all requests may hold they are closed, and a report still fits.
TEST(Flood, SlowHeaderConnectionsLeaveMemoryBoundedAndReportsServed) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    // Under the sanitizers the program starts at about 80 MiB of their own
    // runtime, and their quarantine and redzones multiply what a thousand
    // small header lines per thread cost: they are turned down, and the
    // bound is on what the flood adds (the 64 MiB of requests, 256 threads
    // and the sanitizers' share of both).
    VantrelOptions options;
    options.environment.push_back(
        "ASAN_OPTIONS=quarantine_size_mb=0:thread_local_quarantine_size_kb=0:max_redzone=16");
    VantrelProcess vantrel(options);
    const std::size_t atStart = ResidentBytes(vantrel.Pid());
    constexpr int kSources = 10;
    constexpr int kPerSource = 50;
    std::string lines = "GET / HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < 1000; ++i) {
        lines += "X-Slow: " + std::string(980, 'a') + "\r\n";
    }
    std::mutex mutex;
    std::vector<int> held;
    std::atomic<bool> flooding{true};
    std::size_t peak = 0;
    std::thread sampler([&] {
        while (flooding) {
            peak = std::max(peak, ResidentBytes(vantrel.Pid()));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::vector<std::thread> clients;
    for (int source = 1; source <= kSources; ++source) {
        clients.emplace_back([&, source] {
            for (int i = 0; i < kPerSource; ++i) {
                const int fd = vantrel::testsupport::ConnectFrom(
                    vantrel::e2e::kIntakePort, "127.0.5." + std::to_string(source));
                if (fd < 0) {
                    continue;
                }
                // The kernel's buffers take the megabyte whether or not the
                // program reads it; a send the program ended fails.
                timeval limit{10, 0};
                ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
                vantrel::testsupport::Send(fd, lines);
                std::lock_guard lock(mutex);
                held.push_back(fd);
            }
        });
    }
    for (auto& client : clients) {
        client.join();
    }
    // The connections stay open and quiet; a report comes meanwhile.
    const std::string report = Exchange(
        "POST /post HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
        "Content-Length: 12\r\n\r\nxipMac=SLOW1");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    flooding = false;
    sampler.join();
    const auto open = std::count_if(held.begin(), held.end(), StillOpen);
    std::cout << "[          ] " << open << " of " << held.size()
              << " connections held; RSS at start " << atStart / (1024 * 1024) << " MiB, peak "
              << peak / (1024 * 1024) << " MiB\n";
    EXPECT_NE(report.find("\xD0\xBB\xD0\xBB"), std::string::npos) << report.substr(0, 200);
    // 64 MiB hold at most 64 requests of a megabyte.
    EXPECT_LE(open, 64);
    // About 105 MiB are seen; without the bound on all requests together
    // the 256 connections would hold a megabyte of header lines each.
    EXPECT_LT(peak - std::min(peak, atStart), std::size_t{150} * 1024 * 1024);
    for (int fd : held) {
        ::close(fd);
    }
    EXPECT_EQ(vantrel.Terminate(), 0) << vantrel.Output();
}

}  // namespace
