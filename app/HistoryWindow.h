#pragma once
// The change history of one PC: every value a report overwrote, newest
// first, with the column's grid title, the old and the new value, the time
// and the address the report came from. 恢复原值 hands the old values of
// the chosen entries back to the inventory tab, which puts them into the
// PC's row as pending edits. Modal to the main window while it is open.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "IpHistory.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace vantrel::app {

class TabHost;

class HistoryWindow : public QDialog {
    Q_OBJECT
  public:
    // Takes the old values of entries, at most one per column.
    using Restore = std::function<void(const std::vector<store::HistoryEntry>& entries)>;

    // `caption` names the PC (GBK); `page` is its history as read.
    HistoryWindow(QWidget* parent, TabHost& host, const std::string& caption,
                  store::IpHistory::Page page, Restore restore);

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
    QTableWidget* HistoryList;
    QLabel* MoreLabel;
    QPushButton* RestoreButton;
    QPushButton* CloseButton;
};

}  // namespace vantrel::app
