// Loopback figures of the HTTP service: requests per second and latency at
// several client counts, for a plain callback and for the report handler
// serving the page at "/", and how many idle connections it holds while
// still answering a new request quickly. Prints figures; not a pass/fail
// test.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "HttpService.h"
#include "IntakeLimits.h"
#include "InventoryDatabase.h"
#include "ReportHandler.h"

namespace {

using Clock = std::chrono::steady_clock;
using vantrel::intake::Connection;
using vantrel::intake::HttpReply;
using vantrel::intake::HttpRequest;
using vantrel::intake::HttpService;

constexpr std::size_t kBodySize = 4096;
const char kRequest[] = "GET /x HTTP/1.1\r\nHost: bench\r\n\r\n";
const char kPageRequest[] = "GET / HTTP/1.1\r\nHost: bench\r\n\r\n";

// The report handler's window: nothing to post to for the page.
class NoSink : public vantrel::intake::ReportSink {
  public:
    void PostLogLine(std::string) override {}
    void PostMark(std::string, std::string) override {}
};

// Client connections start from their own loopback source address per
// phase and client (127.0.<phase>.<client>): the service closes first, so
// its side of every finished connection waits in TIME_WAIT, and a new
// connection from a port still in such a pair would stall for a second.
int Connect(std::uint16_t port, std::uint32_t source) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(source);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0) {
        ::close(fd);
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// One whole request; the number of reply bytes, or -1 on failure.
long OneRequest(std::uint16_t port, std::uint32_t source, const char* request = kRequest) {
    int fd = Connect(port, source);
    if (fd < 0)
        return -1;
    long total = 0;
    if (::send(fd, request, std::strlen(request), MSG_NOSIGNAL) < 0)
        total = -1;
    char buffer[8192];
    while (total >= 0) {
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0)
            total = -1;
        if (n <= 0)
            break;
        total += n;
    }
    ::close(fd);
    return total;
}

double Percentile(std::vector<double>& sorted, double p) {
    if (sorted.empty())
        return 0;
    auto index = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}

std::uint32_t Source(int phase, int client) {
    return (127u << 24) | (static_cast<std::uint32_t>(phase) << 8) |
           static_cast<std::uint32_t>(client % 250 + 1) |
           (static_cast<std::uint32_t>(client / 250) << 16);
}

// `expected`: reply bytes of one request. A request that took a second or
// more waited for a connection attempt the full listen queue dropped.
void Throughput(std::uint16_t port, int phase, int clients, int requests,
                const char* request = kRequest, long expected = kBodySize) {
    std::atomic<int> next{0};
    std::atomic<int> failures{0};
    std::vector<std::vector<double>> latencies(static_cast<std::size_t>(clients));
    auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            auto& mine = latencies[static_cast<std::size_t>(c)];
            while (next.fetch_add(1) < requests) {
                auto t0 = Clock::now();
                long bytes = OneRequest(port, Source(phase, c), request);
                auto t1 = Clock::now();
                if (bytes != expected)
                    ++failures;
                mine.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            }
        });
    }
    for (auto& t : threads)
        t.join();
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> all;
    for (auto& v : latencies)
        all.insert(all.end(), v.begin(), v.end());
    std::sort(all.begin(), all.end());
    const auto retried = std::count_if(all.begin(), all.end(), [](double us) { return us >= 1e6; });
    std::printf(
        "%3d clients: %6d requests, %8.0f req/s, p50 %7.1f us, p99 %9.1f us, "
        "waited for a retry %ld, failures %d\n",
        clients, requests, requests / seconds, Percentile(all, 0.50), Percentile(all, 0.99),
        static_cast<long>(retried), failures.load());
}

// Opens `count` connections that send nothing, then times fresh requests.
// Beyond the service's total the newest are closed at once, and each fresh
// request takes the place of one that has been quiet for the grace.
// Returns false when the idle connections could not all be opened.
bool IdleConnections(std::uint16_t port, int phase, int count) {
    std::vector<int> idle;
    idle.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        // At most 50 from one address: the service closes a peer's
        // connections beyond 64.
        int fd = Connect(port, Source(phase, i / 50));
        if (fd < 0) {
            break;
        }
        idle.push_back(fd);
        // Paced so that the listen queue of 15 never overflows: a dropped
        // connection attempt is retried only after a second or more.
        if (i % 8 == 7) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    bool opened = static_cast<int>(idle.size()) == count;
    const bool pastTotal = static_cast<std::size_t>(count) > vantrel::intake::kMaxConnections;
    std::this_thread::sleep_for(std::chrono::milliseconds(
        pastTotal ? vantrel::intake::kIdleGraceMs + 300 : 200 + count / 10));
    // Connections the service had to drop (no thread, or past the total)
    // show as ended.
    int dropped = 0;
    for (int fd : idle) {
        char byte;
        if (::recv(fd, &byte, 1, MSG_DONTWAIT) >= 0)
            ++dropped;
    }
    double worst = 0;
    double sum = 0;
    bool answered = true;
    for (int i = 0; i < 5; ++i) {
        auto t0 = Clock::now();
        answered = answered && OneRequest(port, Source(phase, 249)) == static_cast<long>(kBodySize);
        const double took = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        worst = std::max(worst, took);
        sum += took;
    }
    const bool good = answered && worst < 100 && (pastTotal || dropped == 0);
    std::printf(
        "%5zu idle connections (%d dropped): new request answered %s, mean of 5 %.2f ms, "
        "worst %.2f ms%s\n",
        idle.size(), dropped, answered ? "yes" : "NO", sum / 5, worst,
        good ? "" : "  <- over the bar");
    for (int fd : idle)
        ::close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(200 + count / 10));
    return opened && good;
}

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    std::printf("descriptor limit %llu\n", static_cast<unsigned long long>(limit.rlim_cur));

    const std::string body(kBodySize, 'v');
    HttpService service(0);
    service.SetOnCommandGet([&body](Connection& c, const HttpRequest&, HttpReply&) {
        c.WriteRaw(body);
        c.CloseConnection();
    });
    service.StartService();
    const std::uint16_t port = service.Port();

    std::printf("throughput, %zu-byte body, one request per connection:\n", kBodySize);
    Throughput(port, 1, 1, 2000);
    Throughput(port, 2, 16, 4000);
    Throughput(port, 3, 64, 4000);

    // GET "/" through the report handler: the page file read and sent per
    // request, as browsers ask for it.
    {
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("bench_http_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        const std::string page = (folder / "ip.html").string();
        std::ofstream(page, std::ios::binary) << std::string(kBodySize, 'p');
        vantrel::store::InventoryDatabase store;
        NoSink sink;
        vantrel::intake::ReportHandler handler(store, sink, vantrel::system::SystemLocalTime,
                                               "/proc/net/arp", page);
        HttpService pages(0);
        pages.SetOnCommandGet([&handler](Connection& c, const HttpRequest& r, HttpReply&) {
            handler.RouteRequest(c, r);
        });
        pages.StartService();
        // The reply is the header block and the page.
        const long expected = OneRequest(pages.Port(), Source(4, 0), kPageRequest);
        std::printf("GET \"/\" through the report handler, %ld-byte reply:\n", expected);
        Throughput(pages.Port(), 5, 16, 8000, kPageRequest, expected);
        Throughput(pages.Port(), 6, 64, 8000, kPageRequest, expected);
        pages.StopService();
        std::filesystem::remove_all(folder);
    }

    std::printf("idle connections held open while a new request is served:\n");
    // Each idle connection costs two descriptors here (both ends) and one
    // service thread.
    const int maxByDescriptors = static_cast<int>((limit.rlim_cur - 64) / 2);
    int phase = 10;
    // Up to the total all are held; past it the quietest make room.
    for (int count : {250, 500, 1000}) {
        if (count > maxByDescriptors)
            break;
        if (!IdleConnections(port, phase++, count))
            break;
    }

    auto t0 = Clock::now();
    {
        std::vector<int> idle;
        for (int i = 0; i < 1000; ++i) {
            idle.push_back(Connect(port, Source(20, i / 50)));
            if (i % 8 == 7) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        t0 = Clock::now();
        service.StopService();
        for (int fd : idle)
            ::close(fd);
    }
    std::printf("StopService with 1000 idle connections: %.1f ms\n",
                std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    return 0;
}
