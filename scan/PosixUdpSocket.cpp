// UdpSocket over POSIX sockets.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "UdpSocket.h"

namespace vantrel::scan {

UdpSocket::~UdpSocket() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool UdpSocket::Create() {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    lastError_ = fd_ < 0 ? errno : 0;
    return fd_ >= 0;
}

bool UdpSocket::BindAny() {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = 0;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        lastError_ = errno;
        return false;
    }
    return true;
}

UdpSocket::SendResult UdpSocket::SendTo(std::string_view bytes, std::uint32_t address,
                                        std::uint16_t port) {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(address);
    for (;;) {
        const ssize_t sent = ::sendto(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                                      reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
        if (sent >= 0) {
            return static_cast<std::size_t>(sent) == bytes.size() ? SendResult::Sent
                                                                  : SendResult::Failed;
        }
        lastError_ = errno;
        if (lastError_ == EINTR) {
            continue;
        }
        // ENOBUFS: the device's queue was full, which passes as the
        // buffer's does.
        if (lastError_ == EAGAIN || lastError_ == EWOULDBLOCK || lastError_ == ENOBUFS) {
            return SendResult::NoRoom;
        }
        return SendResult::Failed;
    }
}

long UdpSocket::ReceiveFrom(std::uint8_t* buffer, std::size_t size, std::uint32_t& sender) {
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    // MSG_TRUNC makes the kernel report the datagram's real length, so that
    // one that did not fit is told from one that filled the buffer exactly.
    const ssize_t length = ::recvfrom(fd_, buffer, size, MSG_TRUNC | MSG_DONTWAIT,
                                      reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (length < 0) {
        lastError_ = errno;
        return -1;
    }
    sender = ntohl(from.sin_addr.s_addr);
    return static_cast<long>(length);
}

std::uint16_t UdpSocket::LocalPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (fd_ < 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

}  // namespace vantrel::scan
