#include "ReportFollower.h"

#include <QEvent>
#include <QLabel>
#include <algorithm>

#include "GbkLiteral.h"
#include "GbkText.h"
#include "InventoryDataset.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"

namespace vantrel::app {

ReportFollower::ReportFollower(const InventoryParts& parts, QLabel& notice)
    : parts_(parts), notice_(notice) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &ReportFollower::Flush);
    connect(&parts_.model, &QAbstractItemModel::modelReset, this, &ReportFollower::Reloaded);
    loads_ = parts_.query.Loads();
    notice_.hide();
    parts_.grid.viewport()->installEventFilter(this);
}

bool ReportFollower::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && watched == parts_.grid.viewport()) {
        sincePaint_.restart();
    }
    return false;
}

void ReportFollower::Take(WindowSink::RowsWritten rows) {
    for (store::WrittenRow& row : rows.updated) {
        const std::int64_t rowid = row.rowid;
        if (auto earlier = pending_.find(rowid); earlier != pending_.end()) {
            row.macMoved = row.macMoved || earlier->second.macMoved;  // a move is not lost
        }
        pending_.insert_or_assign(rowid, std::move(row));
    }
    for (std::int64_t rowid : rows.inserted) {
        if (std::find(newRowids_.begin(), newRowids_.end(), rowid) == newRowids_.end()) {
            newRowids_.push_back(rowid);
        }
    }
    missed_ = missed_ || rows.leftOut > 0;
    if (timer_.isActive()) {
        return;
    }
    // The grid repaints after an update, maybe late when the window is busy:
    // the next update waits kInterval after both.
    qint64 since = sinceFlush_.isValid() ? sinceFlush_.elapsed() : kInterval;
    if (sincePaint_.isValid()) {
        since = std::min(since, sincePaint_.elapsed());
    }
    timer_.start(static_cast<int>(std::clamp<qint64>(kInterval - since, 0, kInterval)));
}

void ReportFollower::Flush() {
    constexpr qint64 kLongestWait = 5 * kInterval;
    if (sincePaint_.isValid() && sincePaint_.elapsed() < kInterval &&
        (!sinceFlush_.isValid() || sinceFlush_.elapsed() < kLongestWait)) {
        // A paint came between (scrolling, say): wait for its interval to
        // pass, though not for ever.
        timer_.start(static_cast<int>(kInterval - sincePaint_.elapsed()));
        return;
    }
    sinceFlush_.restart();
    ++flushes_;
    QElapsedTimer took;
    took.start();
    if (!pending_.empty()) {
        std::vector<store::WrittenRow> rows;
        rows.reserve(pending_.size());
        for (auto& [rowid, row] : pending_) {
            rows.push_back(std::move(row));
        }
        pending_.clear();
        // A cell editor open on a row is an edit in progress too.
        const std::vector<std::size_t> changed =
            parts_.query.ApplyStored(rows, parts_.grid.EditorRow());
        parts_.model.RowsChanged(changed);
    }
    parts_.query.DropLoadedRowids(newRowids_);
    ShowNotice();
    longestFlush_ = std::max(longestFlush_, static_cast<double>(took.nsecsElapsed()) / 1e6);
}

void ReportFollower::Reloaded() {
    if (parts_.query.Loads() != loads_) {
        loads_ = parts_.query.Loads();
        missed_ = false;
    }
    parts_.query.DropLoadedRowids(newRowids_);
    ShowNotice();
}

void ReportFollower::ShowNotice() {
    const std::string& kBefore = u8"新提交 "_gbk;
    const std::string& kAfter = u8" 台电脑（点 刷新 显示）"_gbk;
    const std::string& kMissed = u8"有提交未能显示在表格中（点 刷新 显示）"_gbk;
    std::string notice;
    if (!newRowids_.empty()) {
        notice = kBefore + std::to_string(newRowids_.size()) + kAfter;
    } else if (missed_) {
        notice = kMissed;
    }
    notice_.setText(FromGbk(notice));
    notice_.setVisible(!notice.empty());
    parts_.grid.SetArrivalsWaiting(!newRowids_.empty());
}

}  // namespace vantrel::app
