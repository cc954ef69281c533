#pragma once
// The NetBIOS node-status prober: sends the node-status request to one
// address at a time and turns every answer its socket receives into a row
// of the online list. Made for each sweep; every call is made on the main
// thread, and the window calls HandleSocketMessage whenever Socket() is
// readable.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SweepEvent.h"
#include "UdpSocket.h"

namespace vantrel::scan {

class MainThread;
class ScanWindow;
class SweepWorker;

// The stop request of one sweep, shared by its prober and its worker.
using StopFlag = std::shared_ptr<std::atomic<bool>>;

class NodeStatusProber {
  public:
    static constexpr std::uint16_t kNetBiosNamePort = 137;
    static constexpr std::size_t kReceiveBufferSize = 500;
    static constexpr std::int32_t kDefaultInterval = 100;

    // Makes the socket (bound to any address, a port the system picks) and
    // opens the sweep event. A failing step is reported in an information
    // box and creation goes on; sends then fail. `peerPort` is where
    // requests go: the NetBIOS name service's port, or a test responder's.
    NodeStatusProber(ScanWindow& window, MainThread& mainThread,
                     std::uint16_t peerPort = kNetBiosNamePort);
    // Stops this prober's sweep and waits for its worker. The main thread
    // must no longer run hand-offs (MainThread::RunSync returns false), or
    // the sweep must have ended.
    ~NodeStatusProber();
    NodeStatusProber(const NodeStatusProber&) = delete;
    NodeStatusProber& operator=(const NodeStatusProber&) = delete;

    enum class SendOutcome { Done, NoRoom };
    // Sends the first 50 bytes of `datagram` to `address` (classic
    // dotted-quad text) on the peer port and shows the address in
    // probeAddressLabel. When the socket's buffer is full and this is not
    // the `lastTry`, returns NoRoom having done nothing else: the caller
    // waits for room and calls again. A send that fails otherwise, or finds
    // no room on the last try, asks whether to abort; OK stops this
    // prober's sweep.
    SendOutcome SendRequest(std::string_view datagram, const std::string& address,
                            bool lastTry = true);
    // Reads one datagram and decodes it; then, whatever happened, signals
    // the sweep event so that the sweep moves on.
    void HandleSocketMessage();
    // One answer of `length` received bytes from `sender` (dotted decimal):
    // fills the list's slot and updates the count; ignored when it does not
    // decode.
    void DecodeNodeStatus(const std::uint8_t* datagram, std::size_t length,
                          const std::string& sender);

    // Starts a worker over `fromText`..`toText` (the range as typed), which
    // waits `interval` milliseconds for an answer after each send, with a
    // stop request of its own.
    void StartSweep(std::string fromText, std::string toText,
                    std::int32_t interval = kDefaultInterval);
    // Asks the running sweep to stop before its next address.
    void StopSweep();
    // Whether the latest sweep was asked to stop.
    bool StopRequested() const;
    // Whether a worker of this prober is still running.
    bool Sweeping() const;

    int Socket() const { return probeSocket_.Handle(); }
    std::uint16_t LocalPort() const { return probeSocket_.LocalPort(); }

  private:
    ScanWindow& window_;
    MainThread& mainThread_;
    UdpSocket probeSocket_;
    std::uint32_t peerAddress_ = 0;
    std::uint16_t peerPort_;
    std::shared_ptr<SweepEvent> event_;
    StopFlag stop_;
    std::vector<std::unique_ptr<SweepWorker>> workers_;
};

}  // namespace vantrel::scan
