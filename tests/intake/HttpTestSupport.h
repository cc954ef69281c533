#pragma once
// Helpers of the HTTP service tests: parsing from memory and a loopback
// client with a receive time-out, so that a fault shows as a failure rather
// than a hang.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "HttpRequest.h"
#include "HttpService.h"
#include "LineReader.h"
#include "LoopbackClient.h"
#include "RequestParser.h"
#include "StringSource.h"

namespace vantrel::intake::testing {

using testsupport::ClosedWithoutReply;
using testsupport::Connect;
using testsupport::ConnectFrom;
using testsupport::Exchange;
using testsupport::ReadToEnd;
using testsupport::Send;

struct Parsed {
    ParseStatus status;
    HttpRequest request;
};

// Parses `bytes` as they would arrive, at most `chunk` bytes per read
// (0: all at once).
inline Parsed Parse(std::string_view bytes, std::size_t chunk = 0) {
    StringSource source(bytes, chunk);
    LineReader reader(source);
    Parsed parsed{ParseStatus::Ok, {}};
    parsed.status = RequestParser::ReadRequest(reader, parsed.request);
    return parsed;
}

// Stops a service when the test leaves its scope, also on a failed ASSERT.
class ServiceGuard {
  public:
    explicit ServiceGuard(HttpService& service) : service_(service) {}
    ~ServiceGuard() {
        try {
            service_.StopService();
        } catch (...) {
        }
    }
    ServiceGuard(const ServiceGuard&) = delete;
    ServiceGuard& operator=(const ServiceGuard&) = delete;

  private:
    HttpService& service_;
};

// Threads of this process, from the kernel's list of its tasks.
inline std::size_t ThreadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

// Whether `done` holds within `limit`, asked every 5 ms.
inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Connections held open from `sources` addresses, `perSource` each, until
// the service has a thread on every one.
inline std::vector<int> Hold(std::uint16_t port, std::size_t sources, std::size_t perSource,
                             std::size_t threadsBefore) {
    std::vector<int> held;
    for (std::size_t s = 0; s < sources; ++s) {
        for (std::size_t i = 0; i < perSource; ++i) {
            held.push_back(ConnectFrom(port, "127.0.1." + std::to_string(s + 1)));
            EXPECT_GE(held.back(), 0);
            if (held.size() % 8 == 0)
                std::this_thread::sleep_for(
                    std::chrono::milliseconds(5));  // the listen queue holds 15
        }
    }
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() >= threadsBefore + held.size(); },
                          std::chrono::seconds(10)));
    return held;
}

}  // namespace vantrel::intake::testing
