// How long a sweep waits for room in its send buffer: as long as the
// kernel's neighbour resolution takes, read from its settings, and a sweep
// of hundreds of silent on-link addresses in a namespace of the test's own
// waits instead of showing the cable alarm.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "NeighbourResolution.h"
#include "NodeStatusProber.h"
#include "PrivateLoopback.h"
#include "ScanFakes.h"

namespace vantrel::scan {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(NeighbourResolution, ProbesTimesTheirSpacingPlusAMarginElseFiveSeconds) {
    struct Case {
        std::optional<long> probes, retransmitMs;
        std::chrono::milliseconds expected;
    };
    const Case cases[] = {
        {3, 1000, 4000ms},             // the kernel's defaults
        {1, 100, 1100ms},              // tuned down
        {std::nullopt, 1000, 5000ms},  // unreadable
        {3, std::nullopt, 5000ms},
        {0, 1000, 5000ms},  // nonsense
        {3, -5, 5000ms},
        {1000000, 1000000, kMaxResolutionTime},  // no overflow, no endless wait
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolutionTime(c.probes, c.retransmitMs), c.expected)
            << c.probes.value_or(-1) << " x " << c.retransmitMs.value_or(-1);
    }
}

TEST(NeighbourResolution, ReadsTheSettingsOfTheDeviceThatCarriesTheAddress) {
    char pattern[] = "/tmp/vantrel-neigh-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path dir = pattern;
    // Loopback addresses go out on lo.
    fs::create_directories(dir / "lo");
    std::ofstream(dir / "lo" / "mcast_solicit") << "2\n";
    std::ofstream(dir / "lo" / "retrans_time_ms") << "250\n";
    EXPECT_EQ(NeighbourResolutionTime(0x7F000005u, dir.string()), 1500ms);
    fs::remove(dir / "lo" / "retrans_time_ms");
    EXPECT_EQ(NeighbourResolutionTime(0x7F000005u, dir.string()), kDefaultResolutionTime);
    fs::remove_all(dir);
}

// UDP datagrams the calling thread's namespace has sent, and sends that
// found no buffer, from its own counters.
struct UdpCounters {
    long out = -1;
    long bufferErrors = -1;
};

UdpCounters ReadUdpCounters() {
    std::ifstream snmp("/proc/thread-self/net/snmp");
    std::string line;
    std::vector<std::string> names;
    UdpCounters counters;
    while (std::getline(snmp, line)) {
        if (line.rfind("Udp: ", 0) != 0) {
            continue;
        }
        std::istringstream words(line.substr(5));
        if (names.empty()) {
            for (std::string word; words >> word;) {
                names.push_back(word);
            }
            continue;
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            long value = 0;
            words >> value;
            if (names[i] == "OutDatagrams") {
                counters.out = value;
            } else if (names[i] == "SndbufErrors") {
                counters.bufferErrors = value;
            }
        }
    }
    return counters;
}

// 762 silent on-link addresses, one request every millisecond: the
// requests wait in the kernel's neighbour queue, charged to the socket's
// buffer, so that from about the 256th on the buffer is full until the
// oldest resolutions fail about 3 s later, and so twice more. Every request
// still goes out, without the cable alarm.
TEST(NeighbourQueue, ASweepOfSilentOnLinkAddressesSendsEveryRequestWithoutAnAlarm) {
    std::vector<std::string> addresses;
    for (int third = 84; third <= 86; ++third) {
        for (int fourth = 1; fourth <= 254; ++fourth) {
            addresses.push_back("10.77." + std::to_string(third) + "." + std::to_string(fourth));
        }
    }
    const std::string why = test::RunOnPrivateLoopback([&] {
        ASSERT_TRUE(test::SilentOnLinkSegment("vtq" + std::to_string(::getpid() % 100000),
                                              "10.77.80.1/20"));
        test::RecordingWindow window;
        test::QueueMainThread main;
        NodeStatusProber prober(window, main);
        main.probers.push_back(&prober);
        const UdpCounters before = ReadUdpCounters();
        const auto started = std::chrono::steady_clock::now();
        prober.StartSweep(addresses.front(), addresses.back(), 1);
        const bool ended =
            main.RunUntil([&] { return window.completed + window.aborted > 0; }, 120s);
        const auto took = std::chrono::steady_clock::now() - started;
        main.Close();
        const UdpCounters after = ReadUdpCounters();
        std::cout << "[          ] " << window.probed.size() << " silent addresses in "
                  << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms; "
                  << after.bufferErrors - before.bufferErrors << " sends found the buffer full\n";
        EXPECT_TRUE(ended);
        EXPECT_TRUE(window.sendErrors.empty());
        EXPECT_EQ(window.completed, 1);
        EXPECT_EQ(window.probed, addresses);
        EXPECT_EQ(after.out - before.out, static_cast<long>(addresses.size()))
            << "every request went out, once";
    });
    if (!why.empty()) {
        GTEST_SKIP() << why;
    }
}

}  // namespace
}  // namespace vantrel::scan
