#pragma once
// Work run off the owner's thread: started, telling its progress, asked to
// stop, and ending with its result or the exception it threw. Its thread is
// joined by the next Start, by Wait and when the task goes; never detached.
// Progress and the end are handed to the owner through a TaskDeliver:
// app/QtTask's posts them to the Qt main thread, in the order they were
// made; without one they are called on the worker as they come. Nothing of
// a run is delivered once it has been cancelled or followed by another.

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <variant>

#include "TaskThread.h"

namespace vantrel::system {

// How a run ended: its result, or what it threw.
template <typename Result>
struct TaskOutcome {
    std::optional<Result> value;
    std::exception_ptr error;

    // The result; throws what the work threw.
    Result& Get() {
        if (error) {
            std::rethrow_exception(error);
        }
        return *value;
    }
};

// What the work sees of its run.
template <typename Progress>
class TaskControl {
  public:
    using OnProgress = std::function<void(const Progress&)>;

    TaskControl(TaskThread& thread, unsigned run, OnProgress onProgress)
        : thread_(thread), run_(run), onProgress_(std::move(onProgress)) {}

    // The owner asked the work to stop: it should end soon, by returning or
    // throwing.
    bool Cancelled() const { return thread_.Cancelled(); }
    // The same as a flag, for work that polls one of its own.
    const std::atomic<bool>* CancelFlag() const { return &thread_.CancelFlag(); }
    // Hands progress to the owner's progress call.
    void Report(Progress progress) const {
        if (onProgress_ && !Cancelled()) {
            thread_.Deliver(
                run_, [call = onProgress_, progress = std::move(progress)] { call(progress); });
        }
    }

  private:
    TaskThread& thread_;
    unsigned run_;
    OnProgress onProgress_;
};

template <typename Result = std::monostate, typename Progress = std::monostate>
class Task {
  public:
    using Control = TaskControl<Progress>;
    using Work = std::function<Result(const Control&)>;
    using OnDone = std::function<void(TaskOutcome<Result>&)>;
    using OnProgress = typename Control::OnProgress;

    explicit Task(TaskDeliver deliver = {}) : thread_(std::move(deliver)) {}

    // Cancels and joins a run in progress, then runs `work` on a thread of
    // its own. `onDone` gets the outcome, after every progress report;
    // `onCancel` is called by Cancel to wake work that waits (it must be
    // safe from the owner's thread while the work runs).
    void Start(Work work, OnDone onDone = {}, OnProgress onProgress = {},
               std::function<void()> onCancel = {}) {
        thread_.Cancel();
        thread_.Join();
        running_ = true;
        thread_.Run(
            [this, work = std::move(work), onDone = std::move(onDone),
             onProgress = std::move(onProgress)](unsigned run) mutable {
                auto outcome = std::make_shared<TaskOutcome<Result>>();
                try {
                    const Control control(thread_, run, std::move(onProgress));
                    outcome->value.emplace(work(control));
                } catch (...) {
                    outcome->error = std::current_exception();
                }
                // What the work holds goes here, on the worker.
                work = nullptr;
                thread_.Deliver(run,
                                [this, onDone = std::move(onDone), outcome = std::move(outcome)] {
                                    running_ = false;
                                    if (onDone) {
                                        onDone(*outcome);
                                    }
                                });
            },
            std::move(onCancel));
    }

    // Asks the work to stop; its progress and outcome are no longer
    // delivered. Does not wait.
    void Cancel() {
        thread_.Cancel();
        running_ = false;
    }
    // Waits until the work's thread has ended (its outcome may still be on
    // its way to the owner).
    void Wait() { thread_.Join(); }
    // Started, and neither cancelled nor delivered its outcome yet.
    bool Running() const { return running_; }

  private:
    std::atomic<bool> running_{false};
    TaskThread thread_;  // last: joined before the rest goes
};

}  // namespace vantrel::system
