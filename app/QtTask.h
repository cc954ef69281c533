#pragma once
// A Task (system/Task.h) whose progress and outcome are delivered on the Qt
// main thread, in its event loop, in the order the work made them. Made,
// started and dropped on the main thread; when it goes, its work is
// cancelled and joined, and nothing it left undelivered runs.

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QObject>
#include <memory>

#include "Task.h"

namespace vantrel::app {

template <typename Result = std::monostate, typename Progress = std::monostate>
class QtTask : public system::Task<Result, Progress> {
  public:
    QtTask() : QtTask(std::make_unique<QObject>()) {}
    ~QtTask() {
        // Before the receiver goes: no worker posts to it after this.
        this->Cancel();
        this->Wait();
    }
    QtTask(const QtTask&) = delete;
    QtTask& operator=(const QtTask&) = delete;

    // Waits for the work, then runs at once what it has posted to the main
    // thread (the outcome among it), without the rest of the event loop.
    void Finish() {
        this->Wait();
        QCoreApplication::sendPostedEvents(receiver_.get(), QEvent::MetaCall);
    }

  private:
    explicit QtTask(std::unique_ptr<QObject> receiver)
        : system::Task<Result, Progress>([target = receiver.get()](std::function<void()> call) {
              QMetaObject::invokeMethod(target, std::move(call), Qt::QueuedConnection);
          }),
          receiver_(std::move(receiver)) {}

    // Receives the posted calls; its pending events go with it.
    std::unique_ptr<QObject> receiver_;
};

}  // namespace vantrel::app
