#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>

namespace vantrel::intake {

// Threads that each run one job at a time. A job goes to an idle thread when
// there is one and to a new thread otherwise, so a burst grows the pool and
// steady traffic reuses it instead of creating and joining a thread per job.
// A thread left idle for its lifetime ends, and so does one that finds
// enough threads idle already, so that a burst of connections leaves no
// crowd behind; each ending thread joins the one that ended before it, so
// at most one waits to be joined.
class WorkerPool {
  public:
    using Job = std::function<void()>;

    WorkerPool(std::chrono::milliseconds idleLifetime, std::size_t maxIdle);
    // Stop(true) unless Stop has run.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Runs `job` on a pool thread. False when no thread could be had or the
    // pool is stopping; the job is then dropped without running.
    bool Run(Job job);
    // Every thread ends once its current job returns. `wait`: returns when
    // all have ended. Otherwise threads still in a job are let go; they keep
    // what they share alive.
    void Stop(bool wait);

  private:
    struct State;
    std::shared_ptr<State> state_;
    bool stopped_ = false;
};

}  // namespace vantrel::intake
