#include "TWindowSink.h"

#include <QMetaObject>

namespace vantrel::app {

TWindowSink::TWindowSink(QObject* window, AppendLine appendLine, Mark mark)
    : window_(window), appendLine_(std::move(appendLine)), mark_(std::move(mark)) {}

// Posting only queues an event, so holding the mutex never waits on the main
// thread; it keeps Detach from completing while a post is under way.
void TWindowSink::PostLogLine(std::string line) {
    std::lock_guard lock(mutex_);
    if (window_ == nullptr) {
        return;
    }
    QMetaObject::invokeMethod(
        window_, [append = appendLine_, text = std::move(line)] { append(text); },
        Qt::QueuedConnection);
}

void TWindowSink::PostMark(std::string address, std::string user) {
    std::lock_guard lock(mutex_);
    if (window_ == nullptr) {
        return;
    }
    QMetaObject::invokeMethod(
        window_,
        [mark = mark_, where = std::move(address), who = std::move(user)] { mark(where, who); },
        Qt::QueuedConnection);
}

void TWindowSink::Detach() {
    std::lock_guard lock(mutex_);
    window_ = nullptr;
}

}  // namespace vantrel::app
