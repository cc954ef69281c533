#pragma once
// The report handler's way into the window. Connection threads leave their
// log lines and online-list marks here and return at once; the main thread
// takes whatever has gathered in one queued call and applies it in one go.
// What waits is bounded, so a flood of reports can neither grow memory
// without limit nor keep a close request waiting behind a long queue.

#include <QObject>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ReportHandler.h"

namespace vantrel::app {

class WindowSink : public intake::ReportSink {
  public:
    // Lines waiting for the main thread at most; beyond, the oldest give way
    // to one line that says how many were left out.
    static constexpr std::size_t kMaxWaitingLines = 5000;
    // Lines the main thread appends in one go.
    static constexpr std::size_t kMaxBatchLines = 500;
    // Bytes of one log line; a longer one is cut at a character boundary.
    // A report's line takes about 100.
    static constexpr std::size_t kMaxLineBytes = 256;
    // Addresses with a mark waiting at most, and the bytes their user names
    // may take together; beyond either, the oldest marks are dropped.
    static constexpr std::size_t kMaxWaitingMarks = 5000;
    static constexpr std::size_t kMaxWaitingMarkBytes = 16 * 1024 * 1024;

    // Rows written by reports with their values waiting at most, and the
    // bytes those values may take together; beyond either, the oldest are
    // left out and counted. Rowids of inserted rows waiting at most.
    static constexpr std::size_t kMaxWaitingRows = 5000;
    static constexpr std::size_t kMaxWaitingRowBytes = 16 * 1024 * 1024;
    static constexpr std::size_t kMaxWaitingInserts = 100000;

    using Mark = std::pair<std::string, std::string>;  // address, user
    // What reports wrote since the last delivery: the newest values of each
    // overwritten row, the rowids of inserted rows, and how many writes
    // were left out by the bounds.
    struct RowsWritten {
        std::vector<store::WrittenRow> updated;
        std::vector<std::int64_t> inserted;
        std::size_t leftOut = 0;
    };
    using ApplyRows = std::function<void(RowsWritten rows)>;
    using AppendLines = std::function<void(const std::vector<std::string>& lines)>;
    using ApplyMarks = std::function<void(const std::vector<Mark>& marks)>;

    // The callbacks run on `window`'s thread. A call still queued when the
    // sink goes is dropped with it; destroy the sink on that thread.
    WindowSink(QObject* window, AppendLines appendLines, ApplyMarks applyMarks);
    ~WindowSink() override;
    WindowSink(const WindowSink&) = delete;
    WindowSink& operator=(const WindowSink&) = delete;

    void PostLogLine(std::string line) override;
    // Only the newest mark of an address is kept: it is the one that shows.
    void PostMark(std::string address, std::string user) override;
    // Kept only once SetApplyRows has given them a receiver.
    void PostRowsWritten(std::vector<store::WrittenRow> rows) override;
    // Where written rows go, on the window's thread.
    void SetApplyRows(ApplyRows applyRows);

    // From now on nothing more is posted or applied. The window calls this
    // before it starts going away, so that a late connection thread never
    // posts to a window being destroyed.
    void Detach();

  private:
    // Asks the main thread for one Deliver unless one is asked already.
    void ScheduleLocked();
    // Main thread: applies everything that waits.
    void Deliver();

    // Receives the queued calls on the window's thread.
    std::unique_ptr<QObject> receiver_;
    std::mutex mutex_;
    QObject* window_;
    AppendLines appendLines_;
    ApplyMarks applyMarks_;
    bool scheduled_ = false;
    std::deque<std::string> lines_;
    std::size_t linesLeftOut_ = 0;
    // Waiting marks in arrival order, found by address.
    std::list<Mark> marks_;
    std::unordered_map<std::string, std::list<Mark>::iterator> markOf_;
    std::size_t markBytes_ = 0;
    ApplyRows applyRows_;
    // Waiting overwritten rows in arrival order, found by rowid.
    std::list<store::WrittenRow> rows_;
    std::unordered_map<std::int64_t, std::list<store::WrittenRow>::iterator> rowOf_;
    std::size_t rowBytes_ = 0;
    std::vector<std::int64_t> inserted_;
    std::size_t rowsLeftOut_ = 0;
};

}  // namespace vantrel::app
