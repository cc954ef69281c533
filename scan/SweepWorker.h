#pragma once
// The worker of one sweep: walks the range in ascending order, hands one
// send per address to the main thread and waits for the sweep event at most
// the prober's Interval before the next. It touches neither the list nor the
// labels nor the socket itself: all that runs on the main thread through
// MainThread::RunSync. Of its own it only waits on and resets the event,
// waits on the socket for room when its buffer is full, and reads the stop
// request.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "NodeStatusProber.h"

namespace vantrel::scan {

class SweepWorker {
  public:
    // Sweeps `fromText`..`toText`, waiting `interval` ms after each send.
    SweepWorker(NodeStatusProber& prober, ScanWindow& window, MainThread& mainThread, StopFlag stop,
                std::shared_ptr<SweepEvent> event, std::string fromText, std::string toText,
                std::int32_t interval);
    // Waits for the thread. Whoever destroys the worker has set its stop
    // request or made RunSync fail, so the wait is at most one Interval.
    ~SweepWorker();
    SweepWorker(const SweepWorker&) = delete;
    SweepWorker& operator=(const SweepWorker&) = delete;

    void Start();
    // Execute has returned.
    bool Finished() const { return finished_.load(); }

  private:
    void Execute();
    // Sends to currentAddressText_. While the socket's buffer is full it
    // waits for room as long as the kernel may take to resolve a neighbour,
    // checking the stop request meanwhile; only then the last try may ask
    // about the cable. False when a hand-off failed.
    bool SendWaitingForRoom(std::uint32_t address);

    NodeStatusProber& prober_;
    ScanWindow& window_;
    MainThread& mainThread_;
    StopFlag stop_;
    std::shared_ptr<SweepEvent> event_;
    std::string fromText_;
    std::string toText_;
    std::int32_t interval_;
    // The prober's socket, only ever waited on for room here.
    int socket_ = -1;
    std::string currentAddressText_;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace vantrel::scan
