// What peers can hold of the service: a request that goes quiet is dropped
// after the idle time and one that drips after its whole-request deadline;
// one address gets at most its share of connections and all together at
// most the total; the bytes all requests hold together are bounded, while
// others are still served.

#include <gtest/gtest.h>

#include <poll.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "HttpService.h"
#include "HttpTestSupport.h"
#include "IntakeLimits.h"
#include "MemoryBudget.h"

namespace vantrel::intake {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::ClosedWithoutReply;
using testing::ConnectFrom;
using testing::Exchange;
using testing::Hold;
using testing::ReadToEnd;
using testing::Send;
using testing::ServiceGuard;
using testing::ThreadCount;
using testing::WaitUntil;

class Bounded : public ::testing::Test {
  protected:
    void Start(ServiceBounds bounds = {}) {
        service_ = std::make_unique<HttpService>(0, bounds);
        service_->SetOnCommandGet([this](Connection& c, const HttpRequest& r, HttpReply&) {
            ++calls_;
            c.WriteRaw("ok:" + r.body);
            c.CloseConnection();
        });
        base_ = ThreadCount();
        service_->StartService();
        guard_ = std::make_unique<ServiceGuard>(*service_);
    }
    std::uint16_t Port() const { return service_->Port(); }

    std::unique_ptr<HttpService> service_;
    std::unique_ptr<ServiceGuard> guard_;
    std::atomic<int> calls_{0};
    std::size_t base_ = 0;
};

TEST_F(Bounded, RequestThatGoesQuietIsClosedWithoutReplyButASlowOneIsServed) {
    ServiceBounds timeouts;
    timeouts.requestIdle = 150ms;
    Start(timeouts);

    int headers = ConnectFrom(Port(), "127.0.0.1");
    int body = ConnectFrom(Port(), "127.0.0.1");
    int slow = ConnectFrom(Port(), "127.0.0.1");
    ASSERT_TRUE(Send(headers, "GET / HTTP/1.1\r\nHost: x\r\n"));
    // Without a length the body runs to the end of the stream; going quiet
    // is not that end.
    ASSERT_TRUE(Send(body, "POST / HTTP/1.1\r\n\r\npartial"));
    const auto start = Clock::now();
    // Bytes keep coming, each within the idle time, for longer than it.
    const std::string request = "GET / HTTP/1.0\r\n\r\n";
    for (std::size_t i = 0; i < request.size(); i += 4) {
        ASSERT_TRUE(Send(slow, request.substr(i, 4)));
        std::this_thread::sleep_for(60ms);
    }
    EXPECT_EQ(ReadToEnd(slow), "ok:");
    EXPECT_TRUE(ClosedWithoutReply(headers));
    EXPECT_TRUE(ClosedWithoutReply(body));
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_EQ(calls_, 1);
    for (int fd : {headers, body, slow})
        ::close(fd);
}

TEST(BoundedReply, PeerThatReadsNothingOfItsReplyIsDropped) {
    ServiceBounds timeouts;
    timeouts.requestIdle = 150ms;
    HttpService service(0, timeouts);
    std::promise<std::string> outcome;
    service.SetOnCommandGet([&outcome](Connection& c, const HttpRequest&, HttpReply&) {
        try {
            c.WriteRaw(std::string(64 * 1024 * 1024, 'x'));  // more than socket buffers hold
            outcome.set_value("sent");
        } catch (const std::exception& e) {
            outcome.set_value(e.what());
        }
    });
    service.StartService();
    ServiceGuard guard(service);
    int client = ConnectFrom(service.Port(), "127.0.0.1");
    ASSERT_TRUE(Send(client, "GET / HTTP/1.0\r\n\r\n"));
    auto result = outcome.get_future();
    ASSERT_EQ(result.wait_for(3s), std::future_status::ready);
    EXPECT_EQ(result.get(), "Socket error: send failed.");
    ::close(client);
}

TEST_F(Bounded, ARequestStillIncompleteAtItsDeadlineIsClosedHoweverSteadyItsPace) {
    ServiceBounds bounds;
    bounds.requestIdle = 300ms;
    bounds.requestWhole = 600ms;
    Start(bounds);

    int drip = ConnectFrom(Port(), "127.0.0.1");
    int slow = ConnectFrom(Port(), "127.0.0.1");
    const auto start = Clock::now();
    // One header byte every 50 ms, each well within the idle time; the
    // request completed within its deadline at the same pace is served.
    const std::string request = "GET / HTTP/1.0\r\n\r\n";
    ASSERT_TRUE(Send(drip, "GET / HTTP/1.1\r\n"));
    std::size_t next = 0;
    bool dripping = true;
    while (dripping && Clock::now() - start < 5s) {
        dripping = Send(drip, "X-Drip: y\r\n" + std::string(1, 'a'));
        if (next < request.size()) {
            ASSERT_TRUE(Send(slow, request.substr(next, 4)));
            next += 4;
        }
        std::this_thread::sleep_for(50ms);
        pollfd ended{drip, POLLIN, 0};
        if (::poll(&ended, 1, 0) > 0 && next >= request.size())
            break;
    }
    const auto closedAfter = Clock::now() - start;
    EXPECT_TRUE(ClosedWithoutReply(drip));
    EXPECT_GE(closedAfter, 550ms);
    EXPECT_LT(closedAfter, 3s);
    EXPECT_EQ(ReadToEnd(slow), "ok:");
    EXPECT_EQ(calls_, 1);
    ::close(drip);
    ::close(slow);
}

bool Served(std::uint16_t port, const std::string& source) {
    int fd = ConnectFrom(port, source);
    Send(fd, "GET / HTTP/1.0\r\n\r\n");
    const bool served = ReadToEnd(fd) == "ok:";
    ::close(fd);
    return served;
}

TEST_F(Bounded, OnePeerGetsItsShareAndAllTogetherTheTotalWhileOpenOnesGoOn) {
    struct Case {
        const char* what;
        std::size_t sources, perSource;  // what is held open
        std::size_t maxConnections;
        const char* extraFrom;  // refused
        const char* otherFrom;  // still served
    };
    const Case cases[] = {
        {"one peer's share", 1, kMaxConnectionsPerPeer, kMaxConnections, "127.0.1.1", "127.0.2.1"},
        {"the total", 6, 4, 24, "127.0.2.1", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ServiceBounds bounds;
        bounds.maxConnections = c.maxConnections;
        // The connections held here are quiet; one quiet for the grace
        // makes room for a newcomer (HttpServiceRoomTest).
        bounds.idleGrace = std::chrono::hours(1);
        Start(bounds);
        std::vector<int> held = Hold(Port(), c.sources, c.perSource, base_);

        int extra = ConnectFrom(Port(), c.extraFrom);
        ASSERT_GE(extra, 0);
        Send(extra, "GET / HTTP/1.0\r\n\r\n");
        EXPECT_TRUE(ClosedWithoutReply(extra));
        ::close(extra);
        if (c.otherFrom != nullptr) {
            EXPECT_TRUE(Served(Port(), c.otherFrom));
        }
        // The connections held are not dropped for the one refused.
        EXPECT_TRUE(Send(held.front(), "GET / HTTP/1.0\r\n\r\n"));
        EXPECT_EQ(ReadToEnd(held.front()), "ok:");

        // A connection that ends gives its place back.
        for (int fd : held)
            ::close(fd);
        EXPECT_TRUE(WaitUntil([&] { return Served(Port(), c.extraFrom); }, 5s));
        guard_.reset();
        service_.reset();
    }
}

TEST(MemoryBudgetShares, LargeRequestsLeaveTheLastSixteenthToSmallOnes) {
    MemoryBudget budget(1600);  // large ones may fill 1,500
    auto large = std::make_unique<BudgetShare>(&budget, 100);
    EXPECT_FALSE(large->Take(1501));
    EXPECT_TRUE(large->Take(1500));
    EXPECT_FALSE(large->Take(1));
    BudgetShare small(&budget, 100);
    EXPECT_TRUE(small.Take(90));   // still small: into the reserve
    EXPECT_FALSE(small.Take(20));  // would be large
    BudgetShare other(&budget, 100);
    EXPECT_TRUE(other.Take(10));
    EXPECT_FALSE(other.Take(1));  // the reserve is full too
    large.reset();                // gives back all 1,500
    EXPECT_EQ(budget.InUse(), 100u);
    EXPECT_TRUE(small.Take(1400));
}

TEST_F(Bounded, BytesAllRequestsHoldTogetherAreBoundedAndGivenBack) {
    // Room for three connections' buffers and about 300 KB of requests.
    ServiceBounds bounds;
    bounds.bufferedBytes = 3 * kConnectionBufferCost + 300 * 1024;
    Start(bounds);
    const std::string line = "X-Filler: " + std::string(990, 'h') + "\r\n";
    std::string headers;
    while (headers.size() < 200 * 1024)
        headers += line;

    // One request holds 200 KB of header lines and waits.
    int holder = ConnectFrom(Port(), "127.0.0.2");
    ASSERT_TRUE(Send(holder, "GET / HTTP/1.1\r\n" + headers));
    std::this_thread::sleep_for(300ms);
    // Two more that would pass the bound together with it are closed
    // without a reply: header lines, and a body announced by its length.
    int lines = ConnectFrom(Port(), "127.0.0.3");
    Send(lines, "GET / HTTP/1.1\r\n" + headers);
    EXPECT_TRUE(ClosedWithoutReply(lines));
    ::close(lines);
    int body = ConnectFrom(Port(), "127.0.0.3");
    Send(body, "POST / HTTP/1.0\r\nContent-Length: 200000\r\n\r\n");
    EXPECT_TRUE(ClosedWithoutReply(body));
    ::close(body);
    // A small request still fits.
    EXPECT_TRUE(Served(Port(), "127.0.0.4"));
    EXPECT_EQ(calls_, 1);

    // Once the holder is served its share is back: the same header lines
    // now fit.
    ASSERT_TRUE(Send(holder, "\r\n"));
    EXPECT_EQ(ReadToEnd(holder), "ok:");
    ::close(holder);
    EXPECT_TRUE(WaitUntil(
        [&] {
            int again = ConnectFrom(Port(), "127.0.0.3");
            Send(again, "GET / HTTP/1.1\r\n" + headers + "\r\n");
            const bool served = ReadToEnd(again) == "ok:";
            ::close(again);
            return served;
        },
        5s));
}

}  // namespace
}  // namespace vantrel::intake
