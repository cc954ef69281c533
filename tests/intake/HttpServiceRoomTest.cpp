// Room for a newcomer at the connection total: the connection quiet for
// longest makes room once it has been quiet for the grace; one that keeps
// receiving bytes or is being served is never closed for it, and only when
// all are that busy is the newcomer refused. A connection that sends
// nothing at all is closed after the shorter first-byte time.

#include <gtest/gtest.h>

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "HttpService.h"
#include "HttpTestSupport.h"

namespace vantrel::intake {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::ClosedWithoutReply;
using testing::ConnectFrom;
using testing::Hold;
using testing::ReadToEnd;
using testing::Send;
using testing::ServiceGuard;
using testing::ThreadCount;

// The server still holds the connection open: nothing to read yet,
// neither an end nor a reset.
bool StillOpen(int fd) {
    char byte;
    return ::recv(fd, &byte, 1, MSG_DONTWAIT) < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

const std::string kRequestStart = "GET / HTTP/1.1\r\nX-Trickle: ";

// Sends one header byte every 50 ms on each of its connections until
// stopped, so that each keeps receiving.
class Trickle {
  public:
    explicit Trickle(std::vector<int> fds) : fds_(std::move(fds)) {
        for (int fd : fds_)
            Send(fd, kRequestStart);
        thread_ = std::thread([this] {
            while (!stop_) {
                for (int fd : fds_)
                    Send(fd, "a");
                std::this_thread::sleep_for(50ms);
            }
        });
    }
    ~Trickle() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }

  private:
    std::vector<int> fds_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class Room : public ::testing::Test {
  protected:
    void Start(std::size_t maxConnections) {
        ServiceBounds bounds;
        bounds.maxConnections = maxConnections;
        bounds.idleGrace = 300ms;
        service_ = std::make_unique<HttpService>(0, bounds);
        // A request with the body "wait" is held in the callback until
        // Release.
        service_->SetOnCommandGet([this](Connection& c, const HttpRequest& r, HttpReply&) {
            if (r.body == "wait") {
                std::unique_lock lock(mutex_);
                released_.wait(lock, [this] { return release_; });
            }
            c.WriteRaw("ok:" + r.body);
            c.CloseConnection();
        });
        base_ = ThreadCount();
        service_->StartService();
        guard_ = std::make_unique<ServiceGuard>(*service_);
    }
    void TearDown() override {
        Release();
        guard_.reset();
    }
    void Release() {
        std::lock_guard lock(mutex_);
        release_ = true;
        released_.notify_all();
    }
    std::uint16_t Port() const { return service_->Port(); }

    // A request from an address none of the held ones use: whether it was
    // served, and how long it took.
    bool Newcomer(Clock::duration* took = nullptr) {
        const auto start = Clock::now();
        int fd = ConnectFrom(Port(), "127.0.4.1");
        Send(fd, "GET / HTTP/1.0\r\n\r\n");
        const bool served = ReadToEnd(fd) == "ok:";
        ::close(fd);
        if (took != nullptr)
            *took = Clock::now() - start;
        return served;
    }

    std::unique_ptr<HttpService> service_;
    std::unique_ptr<ServiceGuard> guard_;
    std::size_t base_ = 0;
    std::mutex mutex_;
    std::condition_variable released_;
    bool release_ = false;
};

TEST_F(Room, TheConnectionQuietLongestMakesRoomAndTheOthersGoOn) {
    Start(12);
    std::vector<int> held = Hold(Port(), 3, 4, base_);
    std::this_thread::sleep_for(400ms);
    // All but one have just received a byte: that one is quiet longest.
    constexpr std::size_t kQuietest = 5;
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (i != kQuietest) {
            ASSERT_TRUE(Send(held[i], kRequestStart));
        }
    }

    Clock::duration took{};
    EXPECT_TRUE(Newcomer(&took));
    EXPECT_LT(took, 1s);
    EXPECT_TRUE(ClosedWithoutReply(held[kQuietest]));
    // The rest are still open and their requests are served.
    for (std::size_t i = 0; i < held.size(); ++i) {
        if (i == kQuietest)
            continue;
        EXPECT_TRUE(StillOpen(held[i])) << i;
        ASSERT_TRUE(Send(held[i], "x\r\n\r\n"));
        EXPECT_EQ(ReadToEnd(held[i]), "ok:") << i;
    }
    for (int fd : held)
        ::close(fd);
}

TEST_F(Room, BusyConnectionsAreNeverClosedForANewcomer) {
    Start(4);
    std::vector<int> held = Hold(Port(), 2, 2, base_);
    // One is being served, longer than the grace; the others keep
    // receiving.
    ASSERT_TRUE(Send(held[0], "POST / HTTP/1.0\r\nContent-Length: 4\r\n\r\nwait"));
    Trickle trickle({held[1], held[2], held[3]});
    std::this_thread::sleep_for(500ms);

    EXPECT_FALSE(Newcomer());
    for (int fd : held) {
        EXPECT_TRUE(StillOpen(fd));
    }

    // Once the trickles stop for longer than the grace, the first of them
    // to stop makes room; the one being served still is not closed.
    trickle.Stop();
    std::this_thread::sleep_for(400ms);
    EXPECT_TRUE(Newcomer());
    Release();
    EXPECT_EQ(ReadToEnd(held[0]), "ok:wait");
    int closed = 0;
    for (std::size_t i = 1; i < held.size(); ++i) {
        if (!StillOpen(held[i])) {
            EXPECT_TRUE(ClosedWithoutReply(held[i]));
            ++closed;
        }
    }
    EXPECT_EQ(closed, 1);
    for (int fd : held)
        ::close(fd);
}

TEST(FirstByte, AConnectionThatSendsNothingIsClosedSoonerThanOneMidRequest) {
    ServiceBounds bounds;
    bounds.firstByte = 200ms;
    bounds.requestIdle = 3s;
    HttpService service(0, bounds);
    service.SetOnCommandGet([](Connection& c, const HttpRequest&, HttpReply&) {
        c.WriteRaw("ok:");
        c.CloseConnection();
    });
    service.StartService();
    ServiceGuard guard(service);

    int silent = ConnectFrom(service.Port(), "127.0.0.1");
    int started = ConnectFrom(service.Port(), "127.0.0.1");
    ASSERT_TRUE(Send(started, "G"));
    const auto start = Clock::now();
    EXPECT_TRUE(ClosedWithoutReply(silent));
    const auto closedAfter = Clock::now() - start;
    EXPECT_GE(closedAfter, 150ms);
    EXPECT_LT(closedAfter, 2s);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(StillOpen(started));
    ASSERT_TRUE(Send(started, "ET / HTTP/1.0\r\n\r\n"));
    EXPECT_EQ(ReadToEnd(started), "ok:");
    ::close(silent);
    ::close(started);
}

}  // namespace
}  // namespace vantrel::intake
