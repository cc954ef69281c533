#pragma once
// The prober's IPv4 datagram socket. Defined per platform.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::scan {

class UdpSocket {
  public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Creates the socket, non-blocking and closed on exec. False on failure,
    // with the error number in LastError().
    bool Create();
    // Binds to the any address and a port the system picks.
    bool BindAny();
    enum class SendResult { Sent, NoRoom, Failed };
    // Sends `bytes` as one datagram to `address` (host order) and `port`,
    // without waiting. NoRoom: the socket's send buffer is full (datagrams
    // still queued below it: a slow link, neighbours not yet resolved), so
    // the same send may succeed later. Failed: anything else. The error
    // number of both is in LastError().
    SendResult SendTo(std::string_view bytes, std::uint32_t address, std::uint16_t port);

    // Reads one waiting datagram into `buffer`. Returns its full length, which
    // is larger than `size` when it did not fit; -1 when nothing could be
    // read. `sender` gets the sender's address in host order.
    long ReceiveFrom(std::uint8_t* buffer, std::size_t size, std::uint32_t& sender);

    // The descriptor to watch for read readiness; -1 without a socket.
    int Handle() const { return fd_; }
    int LastError() const { return lastError_; }
    std::uint16_t LocalPort() const;

  private:
    int fd_ = -1;
    int lastError_ = 0;
};

}  // namespace vantrel::scan
