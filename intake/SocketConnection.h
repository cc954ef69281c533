#pragma once

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
    // Whether a read ended because that time passed. Owning thread only.
    bool TimedOut() const;
    // From another thread: ends both directions at once, waking the owning
    // thread from a blocked read or send. The owner still closes.
    void Abort();

  private:
    void SendOrThrow(const char* data, std::size_t size);

    mutable std::mutex mutex_;
    int fd_;
    bool aborted_ = false;
    bool timedOut_ = false;
    const std::string peerAddress_;
};

}  // namespace vantrel::intake
