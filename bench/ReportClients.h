#pragma once
// Clients of the report benchmark: reports posted over fresh loopback
// connections from several threads, with each report's time to its reply.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace vantrel::bench {

using Clock = std::chrono::steady_clock;

// One report over a fresh loopback connection; true when thanked.
inline bool SendReport(std::uint16_t port, const std::string& body) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    // The head and the body go out in one call without being copied
    // together: the clients stand in for other PCs, so what they spend is
    // kept small beside the service's work.
    const std::string head =
        "POST /post HTTP/1.1\r\nHost: 127.0.0.1\r\n"
        "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
        std::to_string(body.size()) + "\r\n\r\n";
    iovec parts[2] = {{const_cast<char*>(head.data()), head.size()},
                      {const_cast<char*>(body.data()), body.size()}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = 2;
    while (message.msg_iovlen > 0) {
        const ssize_t n = ::sendmsg(fd, &message, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        auto left = static_cast<std::size_t>(n);
        while (message.msg_iovlen > 0 && left >= message.msg_iov->iov_len) {
            left -= message.msg_iov->iov_len;
            ++message.msg_iov;
            --message.msg_iovlen;
        }
        if (message.msg_iovlen > 0) {
            message.msg_iov->iov_base = static_cast<char*>(message.msg_iov->iov_base) + left;
            message.msg_iov->iov_len -= left;
        }
    }
    std::string reply;
    char buffer[1024];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
        reply.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return reply.rfind("HTTP/1.1 200 OK\r\n", 0) == 0 && reply.size() > 22;
}

inline double Percentile(std::vector<double> sorted, double p) {
    if (sorted.empty())
        return 0;
    const auto index = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}

// Fresh loopback connections per report; a report that is not thanked
// counts as failed. The service listens with a backlog of 15: beyond about
// that many clients connecting at once, the kernel drops a SYN and the
// client's own retry after a second shows in the latencies.
struct RunResult {
    double seconds = 0;
    int failed = 0;
    std::vector<double> latencies;  // ms, sorted
    double clientCpuMs = 0;         // CPU time the client threads spent
};

// The body of report `i` of a run, from the client's own random numbers.
using BodyOf = std::function<std::string(int i, std::mt19937& random)>;

inline RunResult RunReports(std::uint16_t port, int reports, int clients, unsigned seed,
                            const BodyOf& bodyOf) {
    std::atomic<int> next{0};
    std::atomic<int> failed{0};
    std::atomic<long> clientCpuNs{0};
    std::vector<std::vector<double>> latencies(static_cast<std::size_t>(clients));
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            std::mt19937 random(seed + static_cast<unsigned>(c));
            for (int i = next.fetch_add(1); i < reports; i = next.fetch_add(1)) {
                const std::string body = bodyOf(i, random);
                const auto sent = Clock::now();
                if (!SendReport(port, body)) {
                    failed.fetch_add(1);
                }
                latencies[static_cast<std::size_t>(c)].push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
            }
            timespec used{};
            clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
            clientCpuNs.fetch_add(used.tv_sec * 1000000000L + used.tv_nsec);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    RunResult result;
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.failed = failed.load();
    result.clientCpuMs = static_cast<double>(clientCpuNs.load()) / 1e6;
    for (const auto& list : latencies) {
        result.latencies.insert(result.latencies.end(), list.begin(), list.end());
    }
    std::sort(result.latencies.begin(), result.latencies.end());
    return result;
}

}  // namespace vantrel::bench
