#pragma once
// The change history of one PC, as the 变更记录 tab of its window shows it:
// every value a report overwrote, newest first, with the field's title, the
// old and the new value, the time and the address the report came from.
// 恢复原值 hands the old values of the chosen entries to the inventory tab,
// which puts them into the PC's row as pending edits.

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "IpHistory.h"

class QLabel;
class QPushButton;

namespace vantrel::app {

class PcWindowTable;
class TabHost;

class HistoryWindow : public QWidget {
    Q_OBJECT
  public:
    // Takes the old values of entries, at most one per column.
    using Restore = std::function<void(const std::vector<store::HistoryEntry>& entries)>;

    HistoryWindow(QWidget* parent, TabHost& host, Restore restore);

    // Shows `page`, the PC's history as read.
    void ShowPage(store::IpHistory::Page page);

    // 恢复原值: restores the old value of every selected entry; of two
    // selected entries of one column the newer one counts.
    void RestoreButtonClick();

    const std::vector<store::HistoryEntry>& Entries() const { return entries_; }

    // A value as the list shows it: "（空）" for null or empty, long ones cut
    // at a character boundary with "…". GBK.
    static std::string ShownValue(const store::FieldValue& value);

  private:
    void FillList();
    void SelectionChanged();

    std::vector<store::HistoryEntry> entries_;
    Restore restore_;
    PcWindowTable* historyList_;
    QLabel* moreLabel_;
    QPushButton* restoreButton_;
};

}  // namespace vantrel::app
