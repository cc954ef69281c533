#pragma once
// Record editing of the inventory tab: the handlers behind 增加, 删除,
// 取消修改 and 保存, the count of pending changes at the right end of the
// command bar, and the question when the window closes with changes that
// were not saved.

#include <QObject>
#include <string>

class QLabel;
class QWidget;

namespace vantrel::app {

class TForm1;

class TInventoryEditing : public QObject {
    Q_OBJECT
  public:
    // Adds the pending-change count to the command bar.
    explicit TInventoryEditing(TForm1& form);

    // Appends an empty row and makes it current.
    void Button5Click();
    // Deletes the current row after the question 确定要删除吗？.
    void Button3Click();
    // Drops every pending change after the question 确定要取消吗？.
    void Button4Click();
    // Writes every pending change; reports 保存成功！ or 保存失败！ and keeps
    // the batch when the write fails.
    void Button2Click();

    // Whether the window may close. With changes pending (an open cell
    // editor's text included) the user is asked; a close that nobody
    // attends (a signal) is never asked about.
    bool ConfirmClose(bool unattended);

    // "待保存n" while n changes wait for save; empty otherwise.
    static std::string PendingText(std::size_t count);
    QLabel* PendingLabel = nullptr;

  private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void ShowPending();
    void PlacePendingLabel();

    TForm1& form_;
    QWidget* panel_;
};

}  // namespace vantrel::app
