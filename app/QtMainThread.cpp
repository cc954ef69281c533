#include "QtMainThread.h"

#include <QMetaObject>
#include <QThread>

namespace vantrel::app {

struct QtMainThread::Call {
    std::function<void()> work;
    bool done = false;
};

QtMainThread::QtMainThread() : context_(std::make_unique<QObject>()) {}

QtMainThread::~QtMainThread() {
    Close();
}

bool QtMainThread::RunSync(const std::function<void()>& work) {
    if (QThread::currentThread() == context_->thread()) {
        work();
        return true;
    }
    auto call = std::make_shared<Call>();
    call->work = work;
    std::unique_lock lock(mutex_);
    if (closed_) {
        return false;
    }
    QMetaObject::invokeMethod(
        context_.get(),
        [this, call] {
            {
                std::lock_guard running(mutex_);
                if (closed_) {
                    return;
                }
            }
            // Unlocked while it runs: the work may open a modal box whose
            // nested loop runs further hand-offs, or close this dispatcher.
            call->work();
            std::lock_guard done(mutex_);
            call->done = true;
            ran_.notify_all();
        },
        Qt::QueuedConnection);
    ran_.wait(lock, [&] { return call->done || closed_; });
    return call->done;
}

void QtMainThread::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    ran_.notify_all();
}

}  // namespace vantrel::app
