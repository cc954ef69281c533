#pragma once
// Record editing of the inventory tab: the buttons 增加, 删除, 取消修改 and
// 保存 with their handlers, the count of pending changes at the right end
// of the command bar, and the question when the window closes with changes
// that were not saved.

#include <QObject>
#include <string>

#include "InventoryParts.h"

class QLabel;
class QPushButton;
class QWidget;

namespace vantrel::app {

class InventoryEditing : public QObject {
    Q_OBJECT
  public:
    // Creates addButton_, deleteButton_, cancelEditsButton_, saveButton_ and the pending-change
    // count in the command bar `panel`, and connects them.
    InventoryEditing(QWidget* panel, const InventoryParts& parts);

    // Appends an empty row and makes it current.
    void AddRow();
    // Deletes the current row after the question 确定要删除吗？.
    void DeleteRow();
    // Drops every pending change after the question 确定要取消吗？.
    void CancelEdits();
    // Writes every pending change; reports 保存成功！ or 保存失败！ and keeps
    // the batch when the write fails.
    void Save();

    // Whether the window may close. With changes pending (an open cell
    // editor's text included) the user is asked; a close that nobody
    // attends (a signal) is never asked about.
    bool ConfirmClose(bool unattended);

    // Whether an import may start: with changes pending the user is asked
    // to save them first (是 saves, 否 gives up the import), so that an
    // import never mixes with them. False also when the save fails.
    bool SettleBeforeImport();

    // "待保存n" while n changes wait for save; empty otherwise.
    static std::string PendingText(std::size_t count);

  private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void ShowPending();
    void PlacePendingLabel();

    store::InventoryDataset& query_;
    InventoryGrid& grid_;
    TabHost& host_;
    QWidget* panel_;
    QPushButton* addButton_;
    QPushButton* deleteButton_;
    QPushButton* cancelEditsButton_;
    QPushButton* saveButton_;
    QLabel* pendingLabel_;
};

}  // namespace vantrel::app
