#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

#include "ByteSource.h"
#include "Connection.h"

namespace vantrel::intake {

// One accepted TCP connection: the request is read from it and the callback
// writes to it. It owns its descriptor: only the connection's own thread
// reads, writes and closes it; Abort, the one call from another thread, only
// shuts the socket down, so the descriptor is never closed under a blocked
// read nor reused while that thread still holds it.
class SocketConnection : public Connection, public ByteSource {
  public:
    SocketConnection(int fd, std::string peerAddress);
    ~SocketConnection() override;
    SocketConnection(const SocketConnection&) = delete;
    SocketConnection& operator=(const SocketConnection&) = delete;

    void WriteRaw(std::string_view bytes) override;
    void CloseConnection() override;
    void StopThread() override;
    std::string PeerAddress() const override;

    std::size_t ReadSome(char* buffer, std::size_t size) override;

    bool Closed() const;
    // A read that waits this long for a byte ends as the end of the stream;
    // a send that makes no progress for this long fails. The owning thread
    // calls it before reading.
    void SetIdleTimeout(int milliseconds);
    // Before the first byte a read waits at most this long instead of the
    // idle time. Owning thread, before reading.
    void SetFirstByteTimeout(int milliseconds);
    // Reads end as the end of the stream, timed out, once this long has
    // passed since the first byte arrived. Owning thread, before reading.
    void SetRequestDeadline(int milliseconds);
    // Whether a read ended because that time passed. Owning thread only.
    bool TimedOut() const;
    // From another thread: ends both directions at once, waking the owning
    // thread from a blocked read or send. The owner still closes.
    void Abort();

    using Clock = std::chrono::steady_clock;
    // When the last byte arrived; until then, when the connection was made.
    // Any thread.
    Clock::time_point LastReceived() const;
    // Owning thread, once its request is whole: from now on the connection
    // is busy with that request and EvictIfQuietSince leaves it alone.
    void MarkServing();
    // From another thread: Abort, unless the connection is serving its
    // request or has received a byte after `quietSince` (or has bytes
    // waiting unread). Whether it aborted.
    bool EvictIfQuietSince(Clock::time_point quietSince);
    // Whether EvictIfQuietSince closed it. Any thread.
    bool Evicted() const;

  private:
    void SendOrThrow(const char* data, std::size_t size);

    mutable std::mutex mutex_;
    int fd_;
    bool aborted_ = false;
    bool serving_ = false;
    bool evicted_ = false;
    std::atomic<Clock::rep> lastReceived_;
    bool timedOut_ = false;
    // Read state of the owning thread.
    int idleMs_ = -1;
    int firstByteMs_ = -1;
    std::chrono::milliseconds whole_{-1};
    bool started_ = false;
    std::chrono::steady_clock::time_point deadline_{};
    const std::string peerAddress_;
};

}  // namespace vantrel::intake
