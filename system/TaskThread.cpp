#include "TaskThread.h"

namespace vantrel::system {

TaskThread::~TaskThread() {
    Cancel();
    Join();
}

void TaskThread::Run(std::function<void(unsigned)> body, std::function<void()> onCancel) {
    Cancel();
    Join();
    const unsigned run = current_.load(std::memory_order_relaxed) + 1;
    current_.store(run, std::memory_order_release);
    cancelled_.store(false, std::memory_order_relaxed);
    onCancel_ = std::move(onCancel);
    // The body, and whatever it holds, goes on the worker: letting go of
    // large data is work the owner should not wait for.
    thread_ = std::thread([body = std::move(body), run]() mutable {
        body(run);
        body = nullptr;
    });
}

void TaskThread::Cancel() {
    if (Cancelled()) {
        return;
    }
    // Also once the thread has ended: what it posted may not have run yet.
    cancelled_.store(true, std::memory_order_relaxed);
    if (thread_.joinable() && onCancel_) {
        onCancel_();
    }
}

void TaskThread::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TaskThread::Deliver(unsigned run, std::function<void()> call) {
    auto guarded = [this, run, call = std::move(call)] {
        if (IsCurrent(run)) {
            call();
        }
    };
    if (deliver_) {
        deliver_(std::move(guarded));
    } else {
        guarded();
    }
}

}  // namespace vantrel::system
