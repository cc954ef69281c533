// What one peer can hold of the service: a request that goes quiet is
// dropped after the idle time, and one address gets at most its share of
// connections while others are still served.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "HttpService.h"
#include "HttpTestSupport.h"
#include "IntakeLimits.h"

namespace vantrel::intake {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::ClosedWithoutReply;
using testing::ConnectFrom;
using testing::Exchange;
using testing::ReadToEnd;
using testing::Send;
using testing::ServiceGuard;
using testing::ThreadCount;

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

class Bounded : public ::testing::Test {
  protected:
    void Start(ServiceTimeouts timeouts = {}) {
        service_ = std::make_unique<HttpService>(0, timeouts);
        service_->SetOnCommandGet([this](Connection& c, const HttpRequest& r, HttpReply&) {
            ++calls_;
            c.WriteRaw("ok:" + r.Body);
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
    ServiceTimeouts timeouts;
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
    ServiceTimeouts timeouts;
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

TEST_F(Bounded, OnePeerGetsItsShareOfConnectionsAndOthersAreStillServed) {
    Start();
    std::vector<int> held;
    for (std::size_t i = 0; i < kMaxConnectionsPerPeer; ++i) {
        held.push_back(ConnectFrom(Port(), "127.0.0.2"));
        ASSERT_GE(held.back(), 0);
        if (i % 8 == 7)
            std::this_thread::sleep_for(5ms);  // the listen queue holds 15
    }
    ASSERT_TRUE(WaitUntil([&] { return ThreadCount() >= base_ + kMaxConnectionsPerPeer; }, 10s));

    int extra = ConnectFrom(Port(), "127.0.0.2");
    ASSERT_GE(extra, 0);
    Send(extra, "GET / HTTP/1.0\r\n\r\n");
    EXPECT_TRUE(ClosedWithoutReply(extra));
    ::close(extra);
    int other = ConnectFrom(Port(), "127.0.0.3");
    Send(other, "GET / HTTP/1.0\r\n\r\n");
    EXPECT_EQ(ReadToEnd(other), "ok:");
    ::close(other);

    // A connection that ends gives its place back.
    ::close(held.back());
    held.pop_back();
    EXPECT_TRUE(WaitUntil(
        [&] {
            int again = ConnectFrom(Port(), "127.0.0.2");
            Send(again, "GET / HTTP/1.0\r\n\r\n");
            const bool served = ReadToEnd(again) == "ok:";
            ::close(again);
            return served;
        },
        5s));
    for (int fd : held)
        ::close(fd);
}

}  // namespace
}  // namespace vantrel::intake
