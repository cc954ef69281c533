// The accept thread out of descriptors: it neither spins nor gives up, and
// serves the waiting connections once descriptors are free again.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "HttpService.h"
#include "HttpTestSupport.h"

namespace vantrel::intake {
namespace {

using namespace std::chrono_literals;
using testing::Exchange;
using testing::ServiceGuard;
using testing::ThreadCount;

double ProcessCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A descriptor limit under which no descriptor can be made: the lowest
// free descriptor number.
rlim_t LimitLeavingNone() {
    int fd = 0;
    while (::fcntl(fd, F_GETFD) >= 0) {
        ++fd;
    }
    return static_cast<rlim_t>(fd);
}

// Restores the descriptor limit on every path out of the test.
struct LimitGuard {
    rlimit saved{};
    LimitGuard() { ::getrlimit(RLIMIT_NOFILE, &saved); }
    ~LimitGuard() { ::setrlimit(RLIMIT_NOFILE, &saved); }
};

TEST(ServiceResources, AcceptOutOfDescriptorsPausesAndRecovers) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> held{0};
    HttpService service(0);
    service.SetOnCommandGet([released, &held](Connection& c, const HttpRequest& r, HttpReply&) {
        if (r.path == "/hold") {
            ++held;
            released.wait();
        }
        c.WriteRaw("ok");
        c.CloseConnection();
    });
    service.StartService();
    testing::ServiceGuard guard(service);

    // Client sockets are made first: connecting them needs no descriptor.
    constexpr std::size_t kClients = 6;
    constexpr std::size_t kHeld = 2;
    std::vector<int> clients;
    for (std::size_t i = 0; i < kClients; ++i) {
        clients.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        ASSERT_GE(clients.back(), 0);
        timeval timeout{10, 0};
        ::setsockopt(clients.back(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(service.Port());
    auto connectClient = [&](std::size_t i) {
        return ::connect(clients[i], reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
                   0 &&
               testing::Send(clients[i], "GET /hold HTTP/1.1\r\n\r\n");
    };

    // Some connections are in the callback before descriptors run out, so
    // that while they are out only the accept thread runs (the sanitizers'
    // own checks in new threads need descriptors too).
    for (std::size_t i = 0; i < kHeld; ++i) {
        ASSERT_TRUE(connectClient(i));
    }
    for (int i = 0; i < 500 && held < static_cast<int>(kHeld); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(held, static_cast<int>(kHeld));

    LimitGuard limitGuard;
    rlimit tight = limitGuard.saved;
    tight.rlim_cur = LimitLeavingNone();
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    for (std::size_t i = kHeld; i < kClients; ++i) {
        ASSERT_TRUE(connectClient(i));
    }
    // The new connections wait in the listen queue while accept fails. The
    // accept thread must not spin.
    std::this_thread::sleep_for(200ms);
    const double cpuBefore = ProcessCpuSeconds();
    std::this_thread::sleep_for(600ms);
    EXPECT_LT(ProcessCpuSeconds() - cpuBefore, 0.25);

    ::setrlimit(RLIMIT_NOFILE, &limitGuard.saved);
    release.set_value();
    for (int fd : clients) {
        bool ended = false;
        EXPECT_EQ(testing::ReadToEnd(fd, &ended), "ok");
        EXPECT_TRUE(ended);
        ::close(fd);
    }
    EXPECT_EQ(held, static_cast<int>(kClients));
}

TEST(ServiceResources, ConnectionThreadsAreReusedAndEndOnceIdle) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::mutex mutex;
    std::set<pid_t> serving;
    std::atomic<bool> hold{false};
    ServiceBounds timeouts;
    timeouts.threadIdle = 300ms;
    HttpService service(0, timeouts);
    service.SetOnCommandGet([&](Connection& c, const HttpRequest&, HttpReply&) {
        {
            std::lock_guard lock(mutex);
            serving.insert(::gettid());
        }
        if (hold)
            released.wait();
        c.WriteRaw("ok");
        c.CloseConnection();
    });
    service.StartService();
    ServiceGuard guard(service);
    const std::size_t idle = ThreadCount();

    // One request after another: a few threads serve them all. (The client
    // sees the end of its reply before the thread is idle again, so the next
    // request may find none idle.)
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(Exchange(service.Port(), "GET / HTTP/1.0\r\n\r\n"), "ok");
    }
    EXPECT_LE(serving.size(), 6u);

    // A burst held open together grows the pool; once let go and idle for
    // their lifetime, the threads end without any new connection.
    hold = true;
    std::vector<std::future<std::string>> replies;
    for (int i = 0; i < 12; ++i) {
        replies.push_back(std::async(std::launch::async, [&service] {
            return Exchange(service.Port(), "GET / HTTP/1.0\r\n\r\n");
        }));
    }
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (ThreadCount() < idle + 24 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_GE(ThreadCount(), idle + 24);
    release.set_value();
    for (auto& reply : replies) {
        EXPECT_EQ(reply.get(), "ok");
    }
    deadline = std::chrono::steady_clock::now() + 5s;
    while (ThreadCount() > idle && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(ThreadCount(), idle);
}

}  // namespace
}  // namespace vantrel::intake
