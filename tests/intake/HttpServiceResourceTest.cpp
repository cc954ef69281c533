// The accept thread out of descriptors: it neither spins nor gives up, and
// serves the waiting connections once descriptors are free again.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <chrono>
#include <ctime>
#include <future>
#include <thread>
#include <vector>

#include "HttpTestSupport.h"
#include "THttpService.h"

namespace vantrel::intake {
namespace {

using namespace std::chrono_literals;

double ProcessCpuSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A descriptor limit that leaves exactly `free` descriptor numbers unused.
rlim_t LimitLeaving(int free) {
    int fd = 0;
    for (;; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && --free == 0)
            break;
    }
    return static_cast<rlim_t>(fd + 1);
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
    THttpService service(0);
    service.SetOnCommandGet([released](TConnection& c, const HttpRequest& r, HttpReply&) {
        if (r.Path == "/hold") {
            released.wait();
        }
        c.WriteRaw("ok");
        c.CloseConnection();
    });
    service.StartService();
    testing::ServiceGuard guard(service);
    // One request first, so that every code path of a connection has run
    // once before descriptors run out (the sanitizers' own first-time
    // checks need descriptors too).
    ASSERT_EQ(testing::Exchange(service.Port(), "GET / HTTP/1.1\r\n\r\n"), "ok");

    // Client sockets are made first: connecting them needs no descriptor.
    constexpr int kClients = 6;
    std::vector<int> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.push_back(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        ASSERT_GE(clients.back(), 0);
        timeval timeout{10, 0};
        ::setsockopt(clients.back(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(service.Port());

    LimitGuard limitGuard;
    {
        // Room for two accepted connections, and for nothing after them.
        rlimit tight = limitGuard.saved;
        tight.rlim_cur = LimitLeaving(2);
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    }
    for (int i = 0; i < kClients; ++i) {
        ASSERT_EQ(::connect(clients[static_cast<std::size_t>(i)],
                            reinterpret_cast<const sockaddr*>(&address), sizeof address),
                  0);
        ASSERT_TRUE(
            testing::Send(clients[static_cast<std::size_t>(i)], "GET /hold HTTP/1.1\r\n\r\n"));
    }
    // Two held connections take the last descriptors; the rest wait in the
    // listen queue while accept fails. The accept thread must not spin.
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
}

}  // namespace
}  // namespace vantrel::intake
