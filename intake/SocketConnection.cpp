#include "SocketConnection.h"

#include "IntakeError.h"
#include "PosixSockets.h"

namespace vantrel::intake {

SocketConnection::SocketConnection(int fd, std::string peerAddress)
    : fd_(fd), peerAddress_(std::move(peerAddress)) {}

SocketConnection::~SocketConnection() {
    net::CloseDescriptor(fd_);
}

std::size_t SocketConnection::ReadSome(char* buffer, std::size_t size) {
    // fd_ changes only on this thread, so it is read here without the lock.
    if (fd_ < 0)
        return 0;
    return net::ReceiveSome(fd_, buffer, size, timedOut_);
}

void SocketConnection::SendOrThrow(const char* data, std::size_t size) {
    if (fd_ < 0)
        throw IntakeError("Connection closed.");
    if (!net::SendAll(fd_, data, size))
        throw IntakeError("Socket error: send failed.");
}

void SocketConnection::WriteRaw(std::string_view bytes) {
    SendOrThrow(bytes.data(), bytes.size());
}

void SocketConnection::CloseConnection() {
    std::lock_guard lock(mutex_);
    if (fd_ < 0)
        return;
    net::ShutdownSend(fd_);
    net::DiscardPending(fd_);
    net::CloseDescriptor(fd_);
    fd_ = -1;
}

void SocketConnection::StopThread() {
    // Nothing to do: the service ends the connection once the callback
    // returns (see Connection).
}

std::string SocketConnection::PeerAddress() const {
    return peerAddress_;
}

void SocketConnection::SetIdleTimeout(int milliseconds) {
    net::SetTimeouts(fd_, milliseconds);
}

bool SocketConnection::TimedOut() const {
    return timedOut_;
}

bool SocketConnection::Closed() const {
    std::lock_guard lock(mutex_);
    return fd_ < 0;
}

void SocketConnection::Abort() {
    std::lock_guard lock(mutex_);
    if (fd_ >= 0 && !aborted_) {
        net::ShutdownBoth(fd_);
        aborted_ = true;
    }
}

}  // namespace vantrel::intake
