#include "SocketConnection.h"

#include <algorithm>

#include "IntakeError.h"
#include "PosixSockets.h"

namespace vantrel::intake {

SocketConnection::SocketConnection(int fd, std::string peerAddress)
    : fd_(fd),
      lastReceived_(Clock::now().time_since_epoch().count()),
      peerAddress_(std::move(peerAddress)) {}

SocketConnection::~SocketConnection() {
    net::CloseDescriptor(fd_);
}

std::size_t SocketConnection::ReadSome(char* buffer, std::size_t size) {
    // fd_ changes only on this thread, so it is read here without the lock.
    if (fd_ < 0)
        return 0;
    int waitMs = idleMs_;
    if (!started_ && firstByteMs_ >= 0)
        waitMs = waitMs < 0 ? firstByteMs_ : std::min(waitMs, firstByteMs_);
    if (started_ && whole_.count() >= 0) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
        if (left <= 0) {
            timedOut_ = true;
            return 0;
        }
        waitMs = waitMs < 0 ? static_cast<int>(left) : std::min(waitMs, static_cast<int>(left));
    }
    const std::size_t n = net::ReceiveSome(fd_, buffer, size, waitMs, timedOut_);
    if (n > 0)
        lastReceived_.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
    if (n > 0 && !started_) {
        started_ = true;
        deadline_ = Clock::now() + whole_;
    }
    return n;
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
    idleMs_ = milliseconds;
    net::SetTimeouts(fd_, milliseconds);
}

void SocketConnection::SetFirstByteTimeout(int milliseconds) {
    firstByteMs_ = milliseconds;
}

void SocketConnection::SetRequestDeadline(int milliseconds) {
    whole_ = std::chrono::milliseconds(milliseconds);
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

SocketConnection::Clock::time_point SocketConnection::LastReceived() const {
    return Clock::time_point(Clock::duration(lastReceived_.load(std::memory_order_relaxed)));
}

void SocketConnection::MarkServing() {
    std::lock_guard lock(mutex_);
    serving_ = true;
}

bool SocketConnection::EvictIfQuietSince(Clock::time_point quietSince) {
    std::lock_guard lock(mutex_);
    // Bytes waiting unread count as received: the owning thread may merely
    // not have run yet.
    if (serving_ || fd_ < 0 || aborted_ || LastReceived() > quietSince || net::HasUnreadBytes(fd_))
        return false;
    net::ShutdownBoth(fd_);
    aborted_ = evicted_ = true;
    return true;
}

bool SocketConnection::Evicted() const {
    std::lock_guard lock(mutex_);
    return evicted_;
}

}  // namespace vantrel::intake
