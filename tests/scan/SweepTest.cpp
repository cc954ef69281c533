// Sweeps on loopback against a fake name service; the test's thread plays
// the main thread.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FakeNbns.h"
#include "NodeStatusProber.h"
#include "PrivateLoopback.h"
#include "ScanFakes.h"

using namespace std::chrono_literals;
using vantrel::scan::NodeStatusProber;
using vantrel::scan::test::QueueMainThread;
using vantrel::scan::test::RecordingWindow;
using vantrel::testsupport::FakeNbns;
using vantrel::testsupport::LoopbackRange;
using vantrel::testsupport::NbName;
namespace ts = vantrel::testsupport;

namespace {

const char kCountThree[] =
    "\xD4\xDA\xCF\xDF\xB5\xE7\xC4\xD4\xCA\xFD\xC1\xBF\xA3\xBA"
    "3 \xCC\xA8";

std::string Answer(const std::string& name) {
    return ts::NodeStatusAnswer({{name, 0x20}});
}

class Sweep : public ::testing::Test {
  protected:
    // A prober aimed at the responder's port; destroyed before the loop.
    NodeStatusProber& Prober(const FakeNbns& nbns, std::int32_t interval = 20) {
        probers_.push_back(std::make_unique<NodeStatusProber>(window, main, nbns.Port()));
        NodeStatusProber& prober = *probers_.back();
        intervals_[&prober] = interval;
        main.probers.push_back(&prober);
        return prober;
    }

    void Start(NodeStatusProber& prober, const std::string& from, const std::string& to) {
        const auto interval = intervals_.find(&prober);
        prober.StartSweep(
            from, to,
            interval != intervals_.end() ? interval->second : NodeStatusProber::kDefaultInterval);
    }

    bool RunToCompletion(int completions = 1, std::chrono::milliseconds timeout = 20s) {
        return main.RunUntil([&] { return window.completed >= completions; }, timeout);
    }

    void TearDown() override {
        main.Close();
        probers_.clear();
    }

    RecordingWindow window;
    QueueMainThread main;
    std::vector<std::unique_ptr<NodeStatusProber>> probers_;
    // The pacing each prober's sweeps are started with.
    std::map<const NodeStatusProber*, std::int32_t> intervals_;
};

}  // namespace

TEST_F(Sweep, ProbesEveryAddressOnceInAscendingOrder) {
    FakeNbns nbns(LoopbackRange(1, 254));
    NodeStatusProber& prober = Prober(nbns, 2);
    Start(prober, "127.0.0.1", "127.0.0.254");
    ASSERT_TRUE(RunToCompletion());
    main.RunFor(50ms);
    EXPECT_EQ(nbns.Requests(), LoopbackRange(1, 254));
    EXPECT_EQ(window.probed, LoopbackRange(1, 254));
    EXPECT_TRUE(nbns.AllRequestsWellFormed());
    EXPECT_EQ(window.probeAddress, "");  // cleared by the end of a complete sweep
}

TEST_F(Sweep, SkipsLastNumbers0And255AcrossA24Boundary) {
    std::vector<std::string> addresses = LoopbackRange(250, 255);
    for (const char* next : {"127.0.1.0", "127.0.1.1", "127.0.1.2", "127.0.1.3", "127.0.1.4",
                             "127.0.1.5", "127.0.1.6"}) {
        addresses.push_back(next);
    }
    FakeNbns nbns(addresses);
    NodeStatusProber& prober = Prober(nbns);
    Start(prober, "127.0.0.250", "127.0.1.5");
    ASSERT_TRUE(RunToCompletion());
    main.RunFor(50ms);
    const std::vector<std::string> expected = {
        "127.0.0.250", "127.0.0.251", "127.0.0.252", "127.0.0.253", "127.0.0.254",
        "127.0.1.1",   "127.0.1.2",   "127.0.1.3",   "127.0.1.4",   "127.0.1.5"};
    EXPECT_EQ(nbns.Requests(), expected);
}

TEST_F(Sweep, SingleAndEmptyRangesCompleteAtOnce) {
    FakeNbns nbns(LoopbackRange(1, 3));
    NodeStatusProber& prober = Prober(nbns);
    Start(prober, "127.0.0.2", "127.0.0.2");
    ASSERT_TRUE(RunToCompletion(1));
    Start(prober, "127.0.0.3", "127.0.0.1");  // last below first
    ASSERT_TRUE(RunToCompletion(2));
    Start(prober, "127.0.0.255", "127.0.0.255");  // its only address is skipped
    ASSERT_TRUE(RunToCompletion(3));
    Start(prober, "127.0.0.08", "127.0.0.3");  // unreadable first: 255.255.255.255
    ASSERT_TRUE(RunToCompletion(4));
    main.RunFor(50ms);
    EXPECT_EQ(nbns.Requests(), std::vector<std::string>{"127.0.0.2"});
}

TEST_F(Sweep, ASilentAddressCostsTheIntervalAndAnAnswerEndsTheWait) {
    FakeNbns nbns(LoopbackRange(1, 2));
    nbns.Answer("127.0.0.2", Answer("FAST"));
    // The upper bounds leave room for a loaded machine under the sanitizers
    // and still catch a wait that does not end.
    NodeStatusProber& prober = Prober(nbns, 1000);
    auto started = std::chrono::steady_clock::now();
    Start(prober, "127.0.0.1", "127.0.0.1");
    ASSERT_TRUE(RunToCompletion(1));
    const auto silent = std::chrono::steady_clock::now() - started;
    EXPECT_GE(silent, 990ms);
    EXPECT_LT(silent, 4000ms);

    intervals_[&prober] = 30000;
    started = std::chrono::steady_clock::now();
    Start(prober, "127.0.0.2", "127.0.0.2");
    ASSERT_TRUE(RunToCompletion(2));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10000ms);
    EXPECT_EQ(window.list.Cell(0, 1), "FAST" + std::string(11, ' '));
}

TEST_F(Sweep, StopEndsTheSweepAfterAtMostOneMoreRequest) {
    FakeNbns nbns(LoopbackRange(1, 254));
    NodeStatusProber& prober = Prober(nbns, 30);
    Start(prober, "127.0.0.1", "127.0.0.254");
    ASSERT_TRUE(main.RunUntil([&] { return window.probed.size() >= 3; }));
    prober.StopSweep();
    const std::size_t atStop = window.probed.size();
    main.RunFor(300ms);
    EXPECT_LE(window.probed.size(), atStop + 1);
    EXPECT_EQ(window.completed, 0);  // a stopped sweep does not clear probeAddressLabel
    EXPECT_FALSE(window.probeAddress.empty());
    EXPECT_TRUE(prober.StopRequested());

    // A new sweep has a stop request of its own; the old one stays stopped.
    NodeStatusProber& next = Prober(nbns, 2);
    Start(next, "127.0.0.10", "127.0.0.12");
    ASSERT_TRUE(RunToCompletion(1));
    EXPECT_TRUE(prober.StopRequested());
    EXPECT_EQ(window.probed.back(), "127.0.0.12");
}

TEST_F(Sweep, AStopDuringTheLastAddressLeavesTheEndOfSweepOut) {
    // Else the stopped sweep would set the button of one started since to
    // idle.
    FakeNbns nbns(LoopbackRange(1, 1));
    NodeStatusProber& prober = Prober(nbns, 300);
    Start(prober, "127.0.0.1", "127.0.0.1");
    ASSERT_TRUE(main.RunUntil([&] { return window.probed.size() == 1; }));
    prober.StopSweep();
    main.RunFor(500ms);
    EXPECT_EQ(window.completed, 0);
    EXPECT_EQ(window.probeAddress, "127.0.0.1");
}

TEST_F(Sweep, EveryAnswerIsARowUnderItsSenderAndTheCountFollows) {
    FakeNbns nbns(LoopbackRange(1, 4));
    // 127.0.0.2 answers twice; a probe of 127.0.0.3 is answered by 127.0.0.4.
    nbns.Answer("127.0.0.2", Answer("TWICE"));
    nbns.Answer("127.0.0.2", Answer("TWICE"));
    nbns.AnswerFrom("127.0.0.3", "127.0.0.4", Answer("OTHER"));
    NodeStatusProber& prober = Prober(nbns, 200);
    Start(prober, "127.0.0.1", "127.0.0.3");
    ASSERT_TRUE(RunToCompletion());
    main.RunFor(50ms);
    ASSERT_EQ(window.list.RowCount(), 5u);
    EXPECT_EQ(window.list.Cell(1, 1), "127.0.0.2");
    EXPECT_EQ(window.list.Cell(1, 2), "127.0.0.2");
    EXPECT_EQ(window.list.Cell(0, 3), "OTHER" + std::string(10, ' '));
    EXPECT_EQ(window.list.Cell(1, 3), "127.0.0.4");
    EXPECT_EQ(window.list.Cell(2, 3), "00.0C.29.AB.CD.EF");
    EXPECT_EQ(window.list.Cell(0, 4), "");  // the empty slot
    EXPECT_EQ(window.countText, kCountThree);
}

TEST_F(Sweep, DatagramsThatAreNotRowsStillLetTheSweepMoveOn) {
    FakeNbns nbns(LoopbackRange(1, 4));
    // 501 bytes do not fit the buffer; 500 do; an empty datagram; no marker.
    nbns.Answer("127.0.0.1", ts::NodeStatusAnswer({{"BIG", 0x20}}, "ABCDEF", 501 - 81));
    nbns.Answer("127.0.0.2", ts::NodeStatusAnswer({{"FITS", 0x20}}, "ABCDEF", 500 - 81));
    nbns.Answer("127.0.0.3", "");
    nbns.Answer("127.0.0.4", std::string(60, 'x'));
    // Each datagram ends its wait: waiting out even one Interval fails.
    NodeStatusProber& prober = Prober(nbns, 15000);
    const auto started = std::chrono::steady_clock::now();
    Start(prober, "127.0.0.1", "127.0.0.4");
    ASSERT_TRUE(RunToCompletion());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 12000ms);
    ASSERT_EQ(window.list.RowCount(), 3u);
    EXPECT_EQ(window.list.Cell(0, 1), "FITS" + std::string(11, ' '));
}

TEST_F(Sweep, AFailedSendAsksAndOkAbortsTheSweep) {
    FakeNbns nbns(LoopbackRange(1, 1));
    NodeStatusProber& prober = Prober(nbns);
    // Sending to port 0 fails.
    NodeStatusProber& broken =
        *probers_.emplace_back(std::make_unique<NodeStatusProber>(window, main, 0));
    main.probers.push_back(&broken);
    window.abortOnSendError = false;  // Cancel: the sweep goes on
    Start(broken, "127.0.0.1", "127.0.0.2");
    ASSERT_TRUE(RunToCompletion(1));
    EXPECT_EQ(window.sendErrors.size(), 2u);
    EXPECT_EQ(window.probed.size(), 2u);  // probeAddressLabel shows the address anyway

    window.abortOnSendError = true;
    Start(broken, "127.0.0.1", "127.0.0.9");
    ASSERT_TRUE(main.RunUntil([&] { return window.aborted == 1; }));
    main.RunFor(100ms);
    EXPECT_EQ(window.sendErrors.size(), 3u);
    EXPECT_EQ(window.completed, 1);
    EXPECT_TRUE(broken.StopRequested());
    EXPECT_TRUE(window.informations.empty());
    (void)prober;
}

TEST_F(Sweep, ClosingTheMainThreadReleasesAWorkerWaitingOnAHandOff) {
    FakeNbns nbns(LoopbackRange(1, 254));
    NodeStatusProber& prober = Prober(nbns, 20);
    Start(prober, "127.0.0.1", "127.0.0.254");
    ASSERT_TRUE(main.RunUntil([&] { return window.probed.size() == 1; }));
    // Not served, the worker soon waits on its next hand-off, which this
    // thread will never run.
    std::this_thread::sleep_for(300ms);
    const auto started = std::chrono::steady_clock::now();
    main.Close();
    probers_.clear();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 500ms);
    EXPECT_EQ(window.probed.size(), 1u);
    EXPECT_EQ(window.completed, 0);
}

namespace {

// The first `count` sweepable loopback addresses from 127.0.0.1 on (the
// last numbers 0 and 255 are skipped), and the range's last one.
std::vector<std::string> SweepableLoopback(std::size_t count) {
    std::vector<std::string> addresses;
    for (int third = 0; addresses.size() < count; ++third) {
        for (int fourth = 1; fourth <= 254 && addresses.size() < count; ++fourth) {
            addresses.push_back("127.0." + std::to_string(third) + "." + std::to_string(fourth));
        }
    }
    return addresses;
}

// A host that sends `perSecond` small datagrams to 127.0.0.1:`port` from
// 127.0.9.9 until it goes.
class ChattyHost {
  public:
    ChattyHost(std::uint16_t port, int perSecond) {
        fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(0x7F000909);  // 127.0.9.9
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            throw std::runtime_error("ChattyHost cannot bind 127.0.9.9");
        }
        thread_ = std::thread([this, port, perSecond] {
            sockaddr_in peer{};
            peer.sin_family = AF_INET;
            peer.sin_port = htons(port);
            peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            const auto step = std::chrono::microseconds(1000000 / perSecond);
            auto next = std::chrono::steady_clock::now();
            while (!stop_) {
                ::sendto(fd_, "chatter", 7, 0, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
                ++sent;
                next += step;
                std::this_thread::sleep_until(next);
            }
        });
    }
    ~ChattyHost() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }
    ChattyHost(const ChattyHost&) = delete;
    ChattyHost& operator=(const ChattyHost&) = delete;

    std::atomic<int> sent{0};

  private:
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace

// Every datagram from a chatty host ends the wait after a send, so the
// sweep sends as fast as the host talks. Where requests leave more slowly
// than that (a slow lane in a namespace of the test's own stands in for
// neighbours not yet resolved), the socket's buffer fills: a send waits for
// room instead of asking about the cable, unless no room comes for as long
// as the kernel may take to resolve a neighbour (tuned down to 1.2 s on the
// namespace's loopback where nothing leaves).
struct ChattyCase {
    const char* name;
    const char* slowLane;  // rate of requests, nullptr: the machine's loopback as it is
    std::int32_t interval;
    bool alarm;  // a request that found no room for the whole wait
};

class ChattyHostSweep : public ::testing::TestWithParam<ChattyCase> {};

TEST_P(ChattyHostSweep, DoesNotTurnAFullSendBufferIntoACableAlarm) {
    const ChattyCase& c = GetParam();
    const std::vector<std::string> addresses = SweepableLoopback(1000);
    {
        RecordingWindow window;
        QueueMainThread main;
        const auto sweep = [&] {
            FakeNbns nbns(addresses);
            if (c.slowLane != nullptr) {
                ASSERT_TRUE(vantrel::scan::test::SlowLaneFor(nbns.Port(), c.slowLane)) << c.name;
            }
            if (c.alarm) {
                ASSERT_TRUE(vantrel::scan::test::SetKernelValue(
                    "/proc/sys/net/ipv4/neigh/lo/mcast_solicit", "1"));
                ASSERT_TRUE(vantrel::scan::test::SetKernelValue(
                    "/proc/sys/net/ipv4/neigh/lo/retrans_time_ms", "200"));
            }
            NodeStatusProber prober(window, main, nbns.Port());
            main.probers.push_back(&prober);
            ChattyHost chatty(prober.LocalPort(), 1000);
            const auto started = std::chrono::steady_clock::now();
            prober.StartSweep(addresses.front(), addresses.back(), c.interval);
            const bool ended = main.RunUntil([&] { return window.completed + window.aborted > 0; },
                                             std::chrono::seconds(60));
            const auto took = std::chrono::steady_clock::now() - started;
            main.RunFor(c.slowLane != nullptr && !c.alarm ? 1000ms : 100ms);
            main.Close();
            EXPECT_TRUE(ended) << c.name;
            std::cout << "[          ] " << c.name << ": " << window.probed.size()
                      << " requests in "
                      << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
                      << " ms under " << chatty.sent << " datagrams of chatter\n";
            if (c.alarm) {
                EXPECT_EQ(window.sendErrors.size(), 1u) << c.name;
                EXPECT_EQ(window.aborted, 1) << c.name;
                EXPECT_LT(window.probed.size(), addresses.size()) << c.name;
                return;
            }
            EXPECT_TRUE(window.sendErrors.empty()) << c.name;
            EXPECT_EQ(window.completed, 1) << c.name;
            EXPECT_EQ(window.probed, addresses) << c.name;
            std::vector<std::string> received = nbns.Requests();
            std::sort(received.begin(), received.end());
            std::vector<std::string> expected = addresses;
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(received, expected) << c.name << ": every request went out, once";
        };
        if (c.slowLane == nullptr) {
            sweep();
            return;
        }
        const std::string why = vantrel::scan::test::RunOnPrivateLoopback(sweep);
        if (!why.empty()) {
            GTEST_SKIP() << c.name << ": " << why;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Lanes, ChattyHostSweep,
                         ::testing::Values(ChattyCase{"loopback", nullptr,
                                                      NodeStatusProber::kDefaultInterval, false},
                                           ChattyCase{"requests slower than the chatter", "400kbit",
                                                      NodeStatusProber::kDefaultInterval, false},
                                           ChattyCase{"requests not leaving", "8bit", 20, true}),
                         [](const ::testing::TestParamInfo<ChattyCase>& lane) {
                             return std::string(lane.param.slowLane == nullptr ? "Loopback"
                                                : lane.param.alarm             ? "NotLeaving"
                                                                   : "SlowerThanChatter");
                         });
