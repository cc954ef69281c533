#include "WindowSink.h"

#include <QMetaObject>
#include <algorithm>

#include "Gbk.h"
#include "GbkLiteral.h"

namespace vantrel::app {

namespace {

// "(已略去 N 行)": stands where waiting lines were left out.
std::string LeftOutLine(std::size_t count) {
    return u8"(已略去 "_gbk + std::to_string(count) + u8" 行)"_gbk;
}

// "…" after a line cut short.
const std::string& kEllipsis = u8"…"_gbk;

}  // namespace

WindowSink::WindowSink(QObject* window, AppendLines appendLines, ApplyMarks applyMarks)
    : receiver_(std::make_unique<QObject>()),
      window_(window),
      appendLines_(std::move(appendLines)),
      applyMarks_(std::move(applyMarks)) {
    receiver_->moveToThread(window->thread());
}

WindowSink::~WindowSink() = default;

// Posting never waits on the main thread: the lock guards only the queues,
// and at most one queued call is outstanding.
void WindowSink::PostLogLine(std::string line) {
    if (line.size() > kMaxLineBytes) {
        line = std::string(text::CutAtCharBoundary(line, kMaxLineBytes)) + kEllipsis;
    }
    std::lock_guard lock(mutex_);
    if (window_ == nullptr) {
        return;
    }
    lines_.push_back(std::move(line));
    // The newest lines stay. The line saying how many were left out takes
    // one of the places, so that the event log view's limit of the same size keeps it.
    while (lines_.size() + (linesLeftOut_ > 0 ? 1 : 0) > kMaxWaitingLines) {
        lines_.pop_front();
        ++linesLeftOut_;
    }
    ScheduleLocked();
}

void WindowSink::PostMark(std::string address, std::string user) {
    std::lock_guard lock(mutex_);
    if (window_ == nullptr) {
        return;
    }
    if (auto found = markOf_.find(address); found != markOf_.end()) {
        markBytes_ -= found->second->second.size();
        marks_.erase(found->second);
        markOf_.erase(found);
    }
    markBytes_ += user.size();
    marks_.emplace_back(address, std::move(user));
    markOf_.emplace(std::move(address), std::prev(marks_.end()));
    while (marks_.size() > 1 &&
           (marks_.size() > kMaxWaitingMarks || markBytes_ > kMaxWaitingMarkBytes)) {
        markBytes_ -= marks_.front().second.size();
        markOf_.erase(marks_.front().first);
        marks_.pop_front();
    }
    ScheduleLocked();
}

namespace {

std::size_t BytesOf(const store::WrittenRow& row) {
    std::size_t bytes = sizeof row;
    for (const store::ReportField& field : store::kReportFields) {
        bytes += (row.values.*field.value).size();
    }
    return bytes;
}

}  // namespace

void WindowSink::SetApplyRows(ApplyRows applyRows) {
    std::lock_guard lock(mutex_);
    applyRows_ = std::move(applyRows);
}

void WindowSink::PostRowsWritten(std::vector<store::WrittenRow> rows) {
    std::lock_guard lock(mutex_);
    if (window_ == nullptr || !applyRows_ || rows.empty()) {
        return;
    }
    for (store::WrittenRow& row : rows) {
        if (row.inserted) {
            if (inserted_.size() < kMaxWaitingInserts) {
                inserted_.push_back(row.rowid);
            } else {
                ++rowsLeftOut_;
            }
            continue;
        }
        if (auto found = rowOf_.find(row.rowid); found != rowOf_.end()) {
            row.macMoved = row.macMoved || found->second->macMoved;  // the later values hold it
            rowBytes_ -= BytesOf(*found->second);
            rows_.erase(found->second);
            rowOf_.erase(found);
        }
        rowBytes_ += BytesOf(row);
        const std::int64_t rowid = row.rowid;
        rows_.push_back(std::move(row));
        rowOf_.emplace(rowid, std::prev(rows_.end()));
        while (rows_.size() > 1 &&
               (rows_.size() > kMaxWaitingRows || rowBytes_ > kMaxWaitingRowBytes)) {
            rowBytes_ -= BytesOf(rows_.front());
            rowOf_.erase(rows_.front().rowid);
            rows_.pop_front();
            ++rowsLeftOut_;
        }
    }
    ScheduleLocked();
}

void WindowSink::ScheduleLocked() {
    if (scheduled_) {
        return;
    }
    scheduled_ = true;
    QMetaObject::invokeMethod(
        receiver_.get(), [this] { Deliver(); }, Qt::QueuedConnection);
}

void WindowSink::Deliver() {
    std::vector<std::string> lines;
    std::vector<Mark> marks;
    RowsWritten rows;
    {
        std::lock_guard lock(mutex_);
        scheduled_ = false;
        if (window_ == nullptr) {
            return;
        }
        // A batch at a time, so that laying out the lines never holds the
        // main thread long; a close asked for meanwhile comes before the
        // next batch.
        const std::size_t count = std::min(lines_.size(), kMaxBatchLines);
        lines.reserve(count + 1);
        if (linesLeftOut_ > 0) {
            lines.push_back(LeftOutLine(linesLeftOut_));
            linesLeftOut_ = 0;
        }
        for (std::size_t i = 0; i < count; ++i) {
            lines.push_back(std::move(lines_.front()));
            lines_.pop_front();
        }
        if (!lines_.empty()) {
            ScheduleLocked();
        }
        marks.reserve(marks_.size());
        for (Mark& mark : marks_) {
            marks.push_back(std::move(mark));
        }
        marks_.clear();
        markOf_.clear();
        markBytes_ = 0;
        rows.updated.reserve(rows_.size());
        for (store::WrittenRow& row : rows_) {
            rows.updated.push_back(std::move(row));
        }
        rows_.clear();
        rowOf_.clear();
        rowBytes_ = 0;
        rows.inserted.swap(inserted_);
        rows.leftOut = rowsLeftOut_;
        rowsLeftOut_ = 0;
    }
    if (!lines.empty()) {
        appendLines_(lines);
    }
    if (!marks.empty()) {
        applyMarks_(marks);
    }
    if (applyRows_ && (!rows.updated.empty() || !rows.inserted.empty() || rows.leftOut > 0)) {
        applyRows_(std::move(rows));
    }
}

void WindowSink::Detach() {
    std::lock_guard lock(mutex_);
    window_ = nullptr;
    lines_.clear();
    marks_.clear();
    markOf_.clear();
    rows_.clear();
    rowOf_.clear();
    inserted_.clear();
}

}  // namespace vantrel::app
