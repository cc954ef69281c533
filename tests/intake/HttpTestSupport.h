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
#include "THttpService.h"
#include "TLineReader.h"
#include "TRequestParser.h"
#include "TStringSource.h"

namespace vantrel::intake::testing {

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

// A client socket to 127.0.0.1:port; -1 when it cannot connect.
inline int Connect(std::uint16_t port, int timeoutSeconds = 10) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    timeval timeout{timeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
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

// A client socket to 127.0.0.1:port from the loopback address `source`
// (any of 127.0.0.0/8); -1 when it cannot connect. `wait` false: returns at
// once with the connection under way (a non-blocking socket).
inline int ConnectFrom(std::uint16_t port, const std::string& source, bool wait = true) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (wait ? 0 : SOCK_NONBLOCK), 0);
    if (fd < 0)
        return -1;
    const int timeoutSeconds = 10;
    timeval timeout{timeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    ::inet_pton(AF_INET, source.c_str(), &from.sin_addr);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&from), sizeof from) != 0 ||
        (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
         (wait || errno != EINPROGRESS))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Threads of this process, from the kernel's list of its tasks.
inline std::size_t ThreadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

inline bool Send(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Everything until the server ends the stream. `ended` tells whether the
// end came (false on time-out or error).
inline std::string ReadToEnd(int fd, bool* ended = nullptr) {
    std::string out;
    char buffer[4096];
    for (;;) {
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            if (ended)
                *ended = (n == 0);
            return out;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

// True when the server has ended the connection without sending anything:
// an orderly end of stream, or a reset when it was never accepted. False
// when bytes arrive or the wait times out.
inline bool ClosedWithoutReply(int fd) {
    char byte;
    ssize_t n = ::recv(fd, &byte, 1, 0);
    return n == 0 || (n < 0 && errno == ECONNRESET);
}

// Sends one request on a fresh connection and returns all the reply bytes;
// `ended` as for ReadToEnd.
inline std::string Exchange(std::uint16_t port, std::string_view request, bool* ended = nullptr) {
    int fd = Connect(port);
    if (fd < 0)
        return "<no connection>";
    Send(fd, request);
    std::string reply = ReadToEnd(fd, ended);
    ::close(fd);
    return reply;
}

}  // namespace vantrel::intake::testing
