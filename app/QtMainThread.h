#pragma once
// Hands a worker's work to the Qt main thread and waits until it has run.

#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "MainThread.h"

namespace vantrel::app {

class QtMainThread : public scan::MainThread {
  public:
    // Made on the main thread, whose event loop runs the work.
    QtMainThread();
    ~QtMainThread() override;

    // Runs `work` in the main thread's event loop, in order with the other
    // events there. Called on the main thread itself it runs at once.
    bool RunSync(const std::function<void()>& work) override;

    // Main thread: work not yet run is dropped and every RunSync, waiting or
    // to come, returns false. The window calls this before it stops the
    // sweeps, so that no worker waits on a loop that will not run again.
    void Close();

  private:
    struct Call;

    std::mutex mutex_;
    std::condition_variable ran_;
    bool closed_ = false;
    // Receiver of the queued work; its pending events go with it.
    std::unique_ptr<QObject> context_;
};

}  // namespace vantrel::app
