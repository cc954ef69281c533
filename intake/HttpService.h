#pragma once
// The HTTP listener: one accept thread and one pool thread per live
// connection, each reading one request and calling the installed callback.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "Connection.h"
#include "HttpRequest.h"
#include "IntakeLimits.h"

namespace vantrel::intake {

using CommandGetHandler = std::function<void(Connection&, const HttpRequest&, HttpReply&)>;

// How long the service waits and how much it holds; tests shrink them.
struct ServiceBounds {
    // A connection whose request is incomplete and that sends no byte for
    // this long is closed without a reply; one that takes no byte of its
    // reply for this long is closed too.
    std::chrono::milliseconds requestIdle{kRequestIdleMs};
    // A connection that sends no byte at all for this long is closed
    // without a reply.
    std::chrono::milliseconds firstByte{kFirstByteMs};
    // A request not complete this long after its first byte is closed
    // without a reply.
    std::chrono::milliseconds requestWhole{kRequestDeadlineMs};
    // A pool thread with no connection to serve for this long ends.
    std::chrono::milliseconds threadIdle{kThreadIdleMs};
    // Connections open at once; one more takes the place of the one quiet
    // longest, if that one has been quiet for `idleGrace`, and is closed at
    // once otherwise.
    std::size_t maxConnections = kMaxConnections;
    std::chrono::milliseconds idleGrace{kIdleGraceMs};
    // Request bytes all connections hold together.
    std::size_t bufferedBytes = kMaxBufferedBytes;
};

class HttpService {
  public:
    // port 0 binds any free port (tests); read it back with Port().
    explicit HttpService(std::uint16_t port, ServiceBounds bounds = {});
    ~HttpService();  // stops the service when still running
    HttpService(const HttpService&) = delete;
    HttpService& operator=(const HttpService&) = delete;

    // Installs the callback; call before StartService.
    void SetOnCommandGet(CommandGetHandler handler);
    // Binds 0.0.0.0:port, listens and starts accepting. Throws IntakeError
    // "Could not bind socket. Address and port are already in use."
    void StartService();
    // Stops accepting, closes every live connection and waits for them to
    // end; throws IntakeError "Terminate Thread Timeout" after 20 x 250 ms.
    void StopService();
    bool Active() const;
    std::uint16_t Port() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::intake
