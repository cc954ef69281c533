#pragma once
// The change history on the inventory tab: the grid's context menu with
// 查看变更记录 for the row under the mouse, enabled when reports have
// overwritten anything of that PC, and the history window it opens, whose
// old values come back into the row as pending edits. The menu also tells
// when the PC was last online and last reported.

#include <QObject>
#include <QPointer>
#include <optional>
#include <string>
#include <string_view>
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
    // Puts the entries' old values into the menu's row as pending edits;
    // when none of them changes the row, a box says why.
    void Restore(const std::vector<store::HistoryEntry>& entries);
    // A value of a row of the view; nullopt when null, out of the view or
    // the dataset lacks the field.
    store::FieldValue ValueOfRow(int row, std::string_view field) const;
    // The key the row's history is kept under (its MAC, or for a row
    // without one its address and PC name); nullopt out of the view.
    std::optional<std::string> KeyOfRow(int row) const;
    // "变更记录：PC名 …，使用者 …，MAC …" for the history window. GBK.
    std::string CaptionOfRow(int row) const;
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
    // The row the menu was opened for, and its history key then.
    int row_ = -1;
    std::optional<std::string> key_;
};

}  // namespace vantrel::app
