#pragma once
// The change history on the inventory tab: the grid's context menu with
// 查看变更记录 for the row under the mouse, enabled when reports have
// overwritten anything of that PC, and the history window it opens, whose
// old values come back into the row as pending edits. The menu also tells
// when the PC was last online and last reported.

#include <QObject>
#include <QPointer>
#include <string>
#include <vector>

#include "InventoryParts.h"
#include "IpHistory.h"
#include "IpSeen.h"

class QAction;
class QMenu;
class QPoint;

namespace vantrel::app {

class HistoryWindow;

class InventoryHistory : public QObject {
    Q_OBJECT
  public:
    // Gives the grid of `parts` its context menu; the history is read
    // through `connection` when a menu or window asks for it.
    InventoryHistory(const InventoryParts& parts, store::InventoryDatabase& connection);
    ~InventoryHistory() override;

    // The context menu of the grid, at `position` in the grid's viewport:
    // for a row there, that row becomes current and the menu opens.
    void ShowRowMenu(const QPoint& position);
    // 查看变更记录: opens the history window of the menu's row.
    void HistoryItemClick();

    QMenu* RowMenu() const { return RowMenu_; }
    QAction* HistoryItem() const { return HistoryItem_; }
    // 最近在线：time and address, or 从未在线; 最近提交：time.
    QAction* LastOnlineItem() const { return LastOnlineItem_; }
    QAction* LastReportItem() const { return LastReportItem_; }
    // The open history window; null when none is open.
    HistoryWindow* OpenHistoryWindow() const;

    // Newest entries a window lists.
    static constexpr std::size_t kListedEntries = 1000;

  private:
    // Puts the entries' old values into the menu's row as pending edits.
    void Restore(const std::vector<store::HistoryEntry>& entries);
    // The MAC of a row of the view; nullopt when null or out of the view.
    store::FieldValue MacOfRow(int row) const;
    // The texts of the two last-seen entries for a row.
    void ShowLastSeen(int row, const std::string& mac);

    InventoryParts parts_;
    store::IpHistory history_;
    QMenu* RowMenu_;
    QAction* HistoryItem_;
    QAction* LastOnlineItem_;
    QAction* LastReportItem_;
    store::IpSeen seen_;
    QPointer<HistoryWindow> window_;
    // The row the menu was opened for, and its MAC then.
    int row_ = -1;
    std::string mac_;
};

}  // namespace vantrel::app
