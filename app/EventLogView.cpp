#include "EventLogView.h"

#include <QPlainTextEdit>
#include <QTextBlock>

#include "Controls.h"
#include "GbkText.h"

namespace vantrel::app {

EventLogView::EventLogView(QWidget* parent)
    : memo_(Named(new QPlainTextEdit(parent), "eventLogView")) {
    memo_->setFont(FaceFont(12));
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo_->setMinimumWidth(30);
    memo_->setMaximumBlockCount(kMaxLogLines);
}

void EventLogView::AppendLog(const std::string& line) {
    AppendLogLines({line});
}

void EventLogView::AppendLogLines(const std::vector<std::string>& lines) {
    // One line of text is one line of the log: a line break inside it (a
    // user name from the network) must not split it. All lines go in with
    // one append; the event log view drops what exceeds kMaxLogLines from the top.
    if (lines.empty()) {
        return;
    }
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        for (char c : lines[i]) {
            text += (c == '\r' || c == '\n') ? ' ' : c;
        }
    }
    memo_->appendPlainText(FromGbk(text));
}

std::vector<std::string> EventLogView::LogLines() const {
    std::vector<std::string> lines;
    if (memo_->document()->isEmpty()) {
        return lines;
    }
    for (QTextBlock block = memo_->document()->begin(); block.isValid(); block = block.next()) {
        lines.push_back(ToGbk(block.text()));
    }
    return lines;
}

}  // namespace vantrel::app
