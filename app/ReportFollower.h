#pragma once
// The inventory grid following the reports: a report that overwrote a row
// the grid holds shows in that row's cells in place, keeping the current
// cell, selection, scroll position, search and sort; a row with pending
// edits is left as it is. New PCs are not inserted: a line under the grid
// counts them until the next re-query. What arrives is gathered and put in
// at most once per kInterval, so that a flood of reports costs the window
// a few passes a second and one repaint each.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "InventoryParts.h"
#include "WindowSink.h"

class QLabel;

namespace vantrel::app {

class ReportFollower : public QObject {
    Q_OBJECT
  public:
    static constexpr int kInterval = 200;  // ms between two updates of the grid

    // `notice` is the line under the grid; it is shown only while there is
    // something to say.
    ReportFollower(const InventoryParts& parts, QLabel& notice);

    // Main thread: what the window's sink delivered.
    void Take(WindowSink::RowsWritten rows);
    // Puts in what has gathered now (the timer calls it).
    void Flush();

    // New PCs reported since the grid's rows were read.
    std::size_t NewPcCount() const { return newRowids_.size(); }
    // Times the grid was updated; for the benchmark and tests.
    std::uint64_t Flushes() const { return flushes_; }
    // The longest time one update of the grid took, in ms.
    double LongestFlush() const { return longestFlush_; }

  private:
    // After the dataset was read again: what it now holds is no longer new.
    void Reloaded();
    // Notes the grid's paints: an update waits kInterval after the last one.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void ShowNotice();

    InventoryParts parts_;
    QLabel& notice_;
    QTimer timer_;
    QElapsedTimer sinceFlush_;
    QElapsedTimer sincePaint_;
    std::unordered_map<std::int64_t, store::WrittenRow> pending_;
    std::vector<std::int64_t> newRowids_;
    // Updates the sink's bounds left out since the last re-query.
    bool missed_ = false;
    std::uint64_t loads_ = 0;
    std::uint64_t flushes_ = 0;
    double longestFlush_ = 0;
};

}  // namespace vantrel::app
