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
#include "LoopbackClient.h"
#include "THttpService.h"
#include "TLineReader.h"
#include "TRequestParser.h"
#include "TStringSource.h"

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
    TStringSource source(bytes, chunk);
    TLineReader reader(source);
    Parsed parsed{ParseStatus::Ok, {}};
    parsed.status = TRequestParser::ReadRequest(reader, parsed.request);
    return parsed;
}

// Stops a service when the test leaves its scope, also on a failed ASSERT.
class ServiceGuard {
  public:
    explicit ServiceGuard(THttpService& service) : service_(service) {}
    ~ServiceGuard() {
        try {
            service_.StopService();
        } catch (...) {
        }
    }
    ServiceGuard(const ServiceGuard&) = delete;
    ServiceGuard& operator=(const ServiceGuard&) = delete;

  private:
    THttpService& service_;
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
