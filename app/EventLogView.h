#pragma once
// The event log view: the list of text lines at the right of the window.
// Start-up and the report handler append to it; it is never cleared.

#include <string>
#include <vector>

class QPlainTextEdit;
class QWidget;

namespace vantrel::app {

class EventLogView {
  public:
    // The log keeps this many of the latest lines.
    static constexpr int kMaxLogLines = 5000;

    // Creates the event log view as a child of `parent`.
    explicit EventLogView(QWidget* parent);

    // Appends one whole line (GBK) at the end. Main thread.
    void AppendLog(const std::string& line);
    // Appends whole lines in one go. Main thread.
    void AppendLogLines(const std::vector<std::string>& lines);
    // The lines as GBK bytes, oldest first.
    std::vector<std::string> LogLines() const;

    QPlainTextEdit* View() const { return memo_; }

  private:
    QPlainTextEdit* memo_;
};

}  // namespace vantrel::app
