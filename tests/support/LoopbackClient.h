#pragma once
// A loopback TCP client for tests, with a receive time-out so that a fault
// shows as a failure rather than a hang.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::testsupport {

// A client socket to 127.0.0.1:port from the loopback address `source`
// (any of 127.0.0.0/8); -1 when it cannot connect. `wait` false: returns at
// once with the connection under way (a non-blocking socket).
inline int ConnectFrom(std::uint16_t port, const std::string& source, bool wait = true,
                       int timeoutSeconds = 10) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (wait ? 0 : SOCK_NONBLOCK), 0);
    if (fd < 0) {
        return -1;
    }
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

// A client socket to 127.0.0.1:port; -1 when it cannot connect.
inline int Connect(std::uint16_t port, int timeoutSeconds = 10) {
    return ConnectFrom(port, "127.0.0.1", true, timeoutSeconds);
}

inline bool Send(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
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
            if (ended != nullptr) {
                *ended = (n == 0);
            }
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
// "" when refused, `ended` as for ReadToEnd.
inline std::string Exchange(std::uint16_t port, std::string_view request, bool* ended = nullptr) {
    int fd = Connect(port);
    if (fd < 0) {
        if (ended != nullptr) {
            *ended = false;
        }
        return {};
    }
    Send(fd, request);
    std::string reply = ReadToEnd(fd, ended);
    ::close(fd);
    return reply;
}

}  // namespace vantrel::testsupport
