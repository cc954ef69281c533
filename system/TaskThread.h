#pragma once
// The thread under a Task (Task.h): started, asked to stop, joined, and the
// hand-off of the calls a run makes to its owner. Every call but Deliver is
// made by the task's owner, on one thread.

#include <atomic>
#include <functional>
#include <thread>

namespace vantrel::system {

// Hands a call to the thread that is to run it. Empty: the call runs at
// once, on the thread that makes it.
using TaskDeliver = std::function<void(std::function<void()>)>;

class TaskThread {
  public:
    explicit TaskThread(TaskDeliver deliver) : deliver_(std::move(deliver)) {}
    // Cancels the run in progress and joins it.
    ~TaskThread();
    TaskThread(const TaskThread&) = delete;
    TaskThread& operator=(const TaskThread&) = delete;

    // Cancels and joins the run before, then runs `body` on a new thread
    // with the number of this run. `onCancel` is called by Cancel (on the
    // owner's thread) while this run is current, to wake work that waits.
    void Run(std::function<void(unsigned)> body, std::function<void()> onCancel);
    // Asks the run to stop and drops every call it has yet to deliver.
    // Does not wait; the next Run, Join or the destructor does.
    void Cancel();
    // Waits until the run's thread has ended.
    void Join();
    bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }
    const std::atomic<bool>& CancelFlag() const { return cancelled_; }

    // Worker: hands `call` to the owner; it runs only if run `run` has not
    // been cancelled or followed by another by then.
    void Deliver(unsigned run, std::function<void()> call);
    // Whether `run` is the current run and not cancelled (on the owner's
    // thread when delivering there).
    bool IsCurrent(unsigned run) const {
        return current_.load(std::memory_order_acquire) == run && !Cancelled();
    }

  private:
    TaskDeliver deliver_;
    std::atomic<bool> cancelled_{false};
    std::atomic<unsigned> current_{0};
    std::function<void()> onCancel_;
    std::thread thread_;
};

}  // namespace vantrel::system
