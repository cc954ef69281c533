#pragma once
// The report handler's way into the window: each call is posted to the main
// thread as a queued call on the window and returns at once.

#include <QObject>
#include <functional>
#include <mutex>
#include <string>

#include "TReportHandler.h"

namespace vantrel::app {

class TWindowSink : public intake::TReportSink {
  public:
    using AppendLine = std::function<void(const std::string& line)>;
    using Mark = std::function<void(const std::string& address, const std::string& user)>;

    // `window` receives the queued calls; calls still queued when it is
    // destroyed are dropped with it.
    TWindowSink(QObject* window, AppendLine appendLine, Mark mark);

    void PostLogLine(std::string line) override;
    void PostMark(std::string address, std::string user) override;

    // From now on nothing more is posted. The window calls this before it
    // starts going away, so that a late connection thread never posts to a
    // window being destroyed.
    void Detach();

  private:
    std::mutex mutex_;
    QObject* window_;
    AppendLine appendLine_;
    Mark mark_;
};

}  // namespace vantrel::app
