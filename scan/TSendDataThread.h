#pragma once
// The worker of one sweep: walks the range in ascending order, hands one
// send per address to the main thread and waits for the sweep event at most
// the prober's Interval before the next. It touches neither the list nor the
// labels nor the socket itself: all that runs on the main thread through
// TMainThread::RunSync. Of its own it only waits on and resets the event
// and reads the stop request.

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "TNbt.h"

namespace vantrel::scan {

class TSendDataThread {
  public:
    TSendDataThread(TNbt& prober, TScanWindow& window, TMainThread& mainThread, StopFlag stop,
                    std::shared_ptr<TSweepEvent> event);
    // Waits for the thread. Whoever destroys the worker has set its stop
    // request or made RunSync fail, so the wait is at most one Interval.
    ~TSendDataThread();
    TSendDataThread(const TSendDataThread&) = delete;
    TSendDataThread& operator=(const TSendDataThread&) = delete;

    void Start();
    // Execute has returned.
    bool Finished() const { return finished_.load(); }

  private:
    void Execute();

    TNbt& prober_;
    TScanWindow& window_;
    TMainThread& mainThread_;
    StopFlag stop_;
    std::shared_ptr<TSweepEvent> event_;
    // Copied on the main thread when the sweep starts.
    std::string fromText_;
    std::string toText_;
    std::int32_t interval_ = TNbt::kDefaultInterval;
    std::string CurrentAddressText;
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace vantrel::scan
