#pragma once
// What the request callback may do with its own connection.

#include <string>
#include <string_view>

namespace vantrel::intake {

class Connection {
  public:
    virtual ~Connection() = default;
    // Sends exactly these bytes; returns when all are handed to the socket.
    // Throws IntakeError when the connection is closed or the send fails.
    virtual void WriteRaw(std::string_view bytes) = 0;
    // Shuts down sending (bytes already sent are delivered) and closes.
    virtual void CloseConnection() = 0;
    // Says the callback is done with the connection. Every connection serves
    // exactly one request, so the service ends it when the callback returns
    // whether or not this was called; the call stays for callers that mark
    // the end of their work explicitly.
    virtual void StopThread() = 0;
    // The peer's IPv4 address, dotted decimal.
    virtual std::string PeerAddress() const = 0;
};

}  // namespace vantrel::intake
