#pragma once
// How a worker thread hands work to the main thread.

#include <functional>

namespace vantrel::scan {

class MainThread {
  public:
    virtual ~MainThread() = default;
    // Runs `work` on the main thread and returns once it has run: true. False,
    // without running it, when the main thread has stopped taking work (the
    // window is going away); the caller must then end.
    virtual bool RunSync(const std::function<void()>& work) = 0;
};

}  // namespace vantrel::scan
