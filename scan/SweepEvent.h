#pragma once
// A manual-reset event shared by name within the process: the prober sets
// it when a datagram has been handled, the sweep worker waits on it and
// resets it.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

namespace vantrel::scan {

class SweepEvent {
  public:
    // The process's event of this name, created not signalled when it does
    // not exist yet; an existing one is returned as it is.
    static std::shared_ptr<SweepEvent> Open(const std::string& name);

    // Signalled until Reset; wakes every waiter.
    void Set();
    void Reset();
    // True when signalled within `timeout`; does not reset.
    bool Wait(std::chrono::milliseconds timeout);

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;
};

// Name of the sweep's event.
inline constexpr char kSweepEventName[] = "WAIT_ACK";

}  // namespace vantrel::scan
