#pragma once
// Helpers of the HTTP service tests: parsing from memory and a loopback
// client with a receive time-out, so that a fault shows as a failure rather
// than a hang.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

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

}  // namespace vantrel::intake::testing
