#include "PosixSockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vantrel::intake::net {

int OpenListener(std::uint16_t port, int backlog) {
    // Non-blocking, so that a connection that vanishes between poll and
    // accept cannot leave the accept thread deaf to StopService.
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, backlog) != 0) {
        const int error = errno;  // for the caller: EADDRINUSE tells a taken port
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

std::uint16_t LocalPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

bool OpenWakePipe(int fds[2]) {
    return ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0;
}

void SignalWake(int writeFd) {
    char byte = 1;
    while (::write(writeFd, &byte, 1) < 0 && errno == EINTR) {
    }
}

WaitResult WaitForAccept(int listenFd, int wakeFd, int timeoutMs) {
    pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return WaitResult::Failed;
        if (n == 0)
            return WaitResult::TimedOut;
        if (fds[1].revents != 0)
            return WaitResult::Woken;
        return WaitResult::Readable;
    }
}

AcceptResult AcceptClient(int listenFd, int& fd, std::string& peer) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    fd = ::accept4(listenFd, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
            case EAGAIN:
                return AcceptResult::Empty;
            case EINTR:
            case ECONNABORTED:
            case EPROTO:
            case EPERM:
                return AcceptResult::Retry;
            default:
                return AcceptResult::Failed;
        }
    }
    char text[INET_ADDRSTRLEN] = {};
    peer = ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text) ? text : "";
    return AcceptResult::Accepted;
}

void SetTimeouts(int fd, int milliseconds) {
    timeval timeout{};
    timeout.tv_sec = milliseconds / 1000;
    timeout.tv_usec = (milliseconds % 1000) * 1000;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

std::size_t ReceiveSome(int fd, char* buffer, std::size_t size, int waitMs, bool& timedOut) {
    if (waitMs >= 0) {
        pollfd readable{fd, POLLIN, 0};
        int ready = 0;
        while ((ready = ::poll(&readable, 1, waitMs)) < 0 && errno == EINTR) {
        }
        if (ready == 0) {
            timedOut = true;
            return 0;
        }
    }
    for (;;) {
        ssize_t n = ::recv(fd, buffer, size, 0);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            timedOut = true;
        if (errno != EINTR)
            return 0;
    }
}

bool SendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void ShutdownSend(int fd) {
    ::shutdown(fd, SHUT_WR);
}

void ShutdownBoth(int fd) {
    ::shutdown(fd, SHUT_RDWR);
}

void DiscardPending(int fd) {
    char scrap[4096];
    // Bounded: a peer that keeps sending cannot hold the thread here.
    for (int i = 0; i < 64; ++i) {
        ssize_t n = ::recv(fd, scrap, sizeof scrap, MSG_DONTWAIT);
        if (n <= 0 && !(n < 0 && errno == EINTR))
            break;
    }
}

bool HasUnreadBytes(int fd) {
    int pending = 0;
    return ::ioctl(fd, FIONREAD, &pending) == 0 && pending > 0;
}

void CloseDescriptor(int fd) {
    if (fd >= 0)
        ::close(fd);
}

}  // namespace vantrel::intake::net
