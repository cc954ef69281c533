#pragma once
// The grid's context menu and the PCs' windows it opens: 详细信息 (or a
// double-click on the row's indicator) opens the window of the row's PC,
// 查看变更记录 (enabled when reports have overwritten anything of that PC)
// opens it on its history, whose old values come back into the PC's row
// as pending edits. The menu also tells when the PC was last online and
// last reported.

#include <QObject>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "InventoryParts.h"
#include "IpHistory.h"
#include "IpSeen.h"
#include "PcWindowTab.h"

class QAction;
class QMenu;
class QPoint;

namespace vantrel::app {

class PcWindow;
class PcWindows;

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
    // 查看变更记录: opens the window of the menu's row on its history.
    void HistoryItemClick();
    // 详细信息: opens the window of the menu's row.
    void DetailsItemClick();
    // Opens the window of the PC of a row of the view (a double-click on its
    // indicator), with the tab titled `tab` (GBK) in front when one is named.
    PcWindow& OpenPcWindow(int row, std::string_view tab = {});

    QMenu* RowMenu() const { return rowMenu_; }
    QAction* HistoryItem() const { return historyItem_; }
    QAction* DetailsItem() const { return detailsItem_; }
    // 最近在线：time and address, or 从未在线; 最近提交：time.
    QAction* LastOnlineItem() const { return lastOnlineItem_; }
    QAction* LastReportItem() const { return lastReportItem_; }
    // The PCs' windows; a tab added here is in every window opened after.
    PcWindows& Windows() const { return *windows_; }

  private:
    // Puts the entries' old values into the row of `pc` as pending edits;
    // when none of them changes the row, a box says why.
    void Restore(const PcWindowSubject& pc, const std::vector<store::HistoryEntry>& entries);
    // The row of the view whose key is `key`; -1 when none.
    int RowOfKey(const std::string& key) const;
    // A value of a row of the view; nullopt when null, out of the view or
    // the dataset lacks the field.
    store::FieldValue ValueOfRow(int row, std::string_view field) const;
    // The key the row's history is kept under (its MAC, or for a row
    // without one its address and PC name); nullopt out of the view.
    std::optional<std::string> KeyOfRow(int row) const;
    // The PC of a row of the view; nullopt out of the view.
    std::optional<PcWindowSubject> SubjectOfRow(int row) const;
    // The texts of the two last-seen entries for a row.
    void ShowLastSeen(int row, const std::string& mac);

    InventoryParts parts_;
    store::IpHistory history_;
    QMenu* rowMenu_;
    QAction* detailsItem_;
    QAction* historyItem_;
    QAction* lastOnlineItem_;
    QAction* lastReportItem_;
    store::IpSeen seen_;
    std::unique_ptr<PcWindows> windows_;
    // The row the menu was opened for, and its history key then.
    int row_ = -1;
    std::optional<std::string> key_;
};

}  // namespace vantrel::app
