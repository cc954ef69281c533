// The service over loopback sockets: what the peer receives on each reply
// path, bind failures, and stopping with connections still open.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <thread>

#include <unistd.h>

#include "HttpService.h"
#include "HttpTestSupport.h"
#include "IntakeError.h"
#include "IntakeLimits.h"

namespace vantrel::intake {
namespace {

using namespace std::chrono_literals;
using testing::Connect;
using testing::Exchange;
using testing::ReadToEnd;
using testing::Send;
using testing::ServiceGuard;

const std::string kServerError =
    "HTTP/1.1 500 Internal Server Error\r\nConnection: close\r\nContent-Type: text/html\r\n";

// Starts a service on a free port with the given callback.
class Served : public ::testing::Test {
  protected:
    void Start(CommandGetHandler handler) {
        service_.SetOnCommandGet(std::move(handler));
        service_.StartService();
        ASSERT_TRUE(service_.Active());
        port_ = service_.Port();
        ASSERT_NE(port_, 0);
    }
    HttpService service_{0};
    ServiceGuard guard_{service_};
    std::uint16_t port_ = 0;
};

TEST_F(Served, CallbackThatWritesAndClosesGivesExactlyItsBytes) {
    std::promise<HttpRequest> seen;
    Start([&seen](Connection& c, const HttpRequest& r, HttpReply&) {
        seen.set_value(r);
        c.WriteRaw("");
        c.WriteRaw("abc");
        c.CloseConnection();
    });
    bool ended = false;
    EXPECT_EQ(Exchange(port_, "GET /x?a=1 HTTP/1.1\r\nHost: h\r\n\r\n", &ended), "abc");
    EXPECT_TRUE(ended);
    HttpRequest r = seen.get_future().get();
    EXPECT_EQ(r.path, "/x");
    EXPECT_EQ(r.clientAddress, "127.0.0.1");
    EXPECT_EQ(ParamValue(r, "A"), "1");
}

TEST_F(Served, ErrorBeforeWritingGivesThe500Reply) {
    Start([](Connection&, const HttpRequest&, HttpReply&) { throw IntakeError("x"); });
    EXPECT_EQ(Exchange(port_, "GET / HTTP/1.1\r\n\r\n"),
              kServerError + "Content-Length: 1\r\nServer: Vantrel\r\n\r\nx");
}

TEST_F(Served, ErrorAfterWritingFollowsTheWrittenBytes) {
    Start([](Connection& c, const HttpRequest&, HttpReply&) {
        c.WriteRaw("ab");
        throw std::runtime_error("\xca\xa7\xb0\xdc");  // 失败
    });
    EXPECT_EQ(Exchange(port_, "POST / HTTP/1.1\r\nContent-Length: 0\r\n\r\n"),
              "ab" + kServerError + "Content-Length: 4\r\nServer: Vantrel\r\n\r\n\xca\xa7\xb0\xdc");
}

TEST_F(Served, ErrorAfterClosingSendsNothingMore) {
    Start([](Connection& c, const HttpRequest&, HttpReply&) {
        c.WriteRaw("done");
        c.CloseConnection();
        c.WriteRaw("late");  // fails: the connection is closed
    });
    bool ended = false;
    EXPECT_EQ(Exchange(port_, "GET / HTTP/1.1\r\n\r\n", &ended), "done");
    EXPECT_TRUE(ended);
}

TEST_F(Served, CallbackThatLeavesTheConnectionOpenGetsTheHeaderBlock) {
    Start([](Connection&, const HttpRequest& r, HttpReply& reply) {
        if (r.path == "/text")
            reply.contentText = "hello";
    });
    EXPECT_EQ(Exchange(port_, "GET / HTTP/1.0\r\n\r\n"),
              "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html\r\n"
              "Server: Vantrel\r\n\r\n");
    EXPECT_EQ(Exchange(port_, "HEAD /text HTTP/1.0\r\n\r\n"),
              "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html\r\n"
              "Content-Length: 5\r\nServer: Vantrel\r\n\r\nhello");
}

TEST_F(Served, RefusedRequestsCloseWithoutReplyOrCallback) {
    std::atomic<int> calls{0};
    Start([&calls](Connection& c, const HttpRequest&, HttpReply&) {
        ++calls;
        c.CloseConnection();
    });
    for (const std::string& request :
         {std::string("PUT / HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc"),
          std::string("\r\nGET / HTTP/1.1\r\n\r\n"),
          std::string("GET / HTTP/1.1\r\nAuthorization: Bearer t\r\n\r\n"),
          "GET /" + std::string(kMaxLineLength, 'a') + " HTTP/1.1\r\n\r\n",
          "POST / HTTP/1.1\r\nContent-Length: " + std::to_string(kMaxBodyBytes + 1) + "\r\n\r\n"}) {
        bool ended = false;
        EXPECT_EQ(Exchange(port_, request, &ended), "") << request.substr(0, 40);
        EXPECT_TRUE(ended) << request.substr(0, 40);
    }
    EXPECT_EQ(calls, 0);
}

TEST_F(Served, ConnectionsAreServedSideBySide) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    Start([released](Connection& c, const HttpRequest& r, HttpReply&) {
        if (r.path == "/slow")
            released.wait();
        c.WriteRaw(r.path);
        c.CloseConnection();
    });
    int slow = Connect(port_);
    ASSERT_GE(slow, 0);
    ASSERT_TRUE(Send(slow, "GET /slow HTTP/1.1\r\n\r\n"));
    EXPECT_EQ(Exchange(port_, "GET /fast HTTP/1.1\r\n\r\n"), "/fast");
    release.set_value();
    EXPECT_EQ(ReadToEnd(slow), "/slow");
    ::close(slow);
}

TEST(ServiceLifecycle, SecondServiceOnTheSamePortCannotBind) {
    HttpService first(0);
    ServiceGuard guard(first);
    first.StartService();
    HttpService second(first.Port());
    try {
        second.StartService();
        FAIL() << "second service started";
    } catch (const IntakeError& e) {
        EXPECT_STREQ(e.what(), "Could not bind socket. Address and port are already in use.");
    }
    EXPECT_FALSE(second.Active());
    EXPECT_TRUE(first.Active());
}

TEST(ServiceLifecycle, RestartsOnTheSamePortRightAfterServing) {
    // The service closes first, so its side of each connection lingers in
    // TIME_WAIT; a restarted program must still bind.
    HttpService first(0);
    first.SetOnCommandGet([](Connection& c, const HttpRequest&, HttpReply&) {
        c.WriteRaw("1");
        c.CloseConnection();
    });
    first.StartService();
    const std::uint16_t port = first.Port();
    EXPECT_EQ(Exchange(port, "GET / HTTP/1.1\r\n\r\n"), "1");
    first.StopService();
    EXPECT_FALSE(first.Active());

    HttpService again(port);
    ServiceGuard guard(again);
    ASSERT_NO_THROW(again.StartService());
    EXPECT_EQ(again.Port(), port);
}

TEST(ServiceLifecycle, StopWithIdleConnectionsReturnsPromptly) {
    HttpService service(0);
    service.StartService();
    int idle = Connect(service.Port());
    int partial = Connect(service.Port());
    ASSERT_GE(idle, 0);
    ASSERT_GE(partial, 0);
    ASSERT_TRUE(Send(partial, "GET / HTTP/1.1\r\nHost: x"));
    std::this_thread::sleep_for(200ms);  // let both reach their blocking read
    auto start = std::chrono::steady_clock::now();
    EXPECT_NO_THROW(service.StopService());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_TRUE(testing::ClosedWithoutReply(idle));
    EXPECT_TRUE(testing::ClosedWithoutReply(partial));
    ::close(idle);
    ::close(partial);
    // The port is free again, and nothing answers on it.
    EXPECT_LT(Connect(service.Port()), 0);
}

TEST(ServiceLifecycle, DestructorStopsARunningService) {
    int idle = -1;
    {
        HttpService service(0);
        service.StartService();
        idle = Connect(service.Port());
        ASSERT_GE(idle, 0);
        std::this_thread::sleep_for(200ms);  // accepted and blocked reading
    }
    EXPECT_TRUE(testing::ClosedWithoutReply(idle));
    ::close(idle);
}

TEST(ServiceLifecycle, StopFailsWhenACallbackDoesNotReturn) {
    std::promise<void> entered;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    HttpService service(0);
    service.SetOnCommandGet([&entered, released](Connection& c, const HttpRequest&, HttpReply&) {
        entered.set_value();
        released.wait();
        c.CloseConnection();
    });
    service.StartService();
    int client = Connect(service.Port());
    ASSERT_TRUE(Send(client, "GET / HTTP/1.1\r\n\r\n"));
    entered.get_future().wait();
    auto start = std::chrono::steady_clock::now();
    try {
        service.StopService();
        ADD_FAILURE() << "StopService returned";
    } catch (const IntakeError& e) {
        EXPECT_STREQ(e.what(), "Terminate Thread Timeout");
    }
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 4900ms);
    EXPECT_LT(waited, 7s);
    release.set_value();
    EXPECT_NO_THROW(service.StopService());  // the thread has ended now
    ::close(client);
}

}  // namespace
}  // namespace vantrel::intake
