#include "InventoryEditing.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <array>

#include "Controls.h"
#include "Dialogs.h"
#include "GbkConvert.h"
#include "GbkText.h"
#include "InventoryDataset.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "StoreError.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

constexpr char kDeleteQuestion[] =  // 确定要删除吗？
    "\xc8\xb7\xb6\xa8\xd2\xaa\xc9\xbe\xb3\xfd\xc2\xf0\xa3\xbf";
constexpr char kCancelQuestion[] =  // 确定要取消吗？
    "\xc8\xb7\xb6\xa8\xd2\xaa\xc8\xa1\xcf\xfb\xc2\xf0\xa3\xbf";
constexpr char kSaved[] = "\xb1\xa3\xb4\xe6\xb3\xc9\xb9\xa6\xa3\xa1";     // 保存成功！
constexpr char kNotSaved[] = "\xb1\xa3\xb4\xe6\xca\xa7\xb0\xdc\xa3\xa1";  // 保存失败！
constexpr char kCloseQuestion[] =  // 有未保存的修改，确定要放弃这些修改并退出吗？
    "\xd3\xd0\xce\xb4\xb1\xa3\xb4\xe6\xb5\xc4\xd0\xde\xb8\xc4\xa3\xac\xc8\xb7\xb6\xa8\xd2\xaa"
    "\xb7\xc5\xc6\xfa\xd5\xe2\xd0\xa9\xd0\xde\xb8\xc4\xb2\xa2\xcd\xcb\xb3\xf6\xc2\xf0\xa3\xbf";
constexpr char kPending[] = "\xb4\xfd\xb1\xa3\xb4\xe6";  // 待保存
// "保存时 n 行已被其他提交修改，未保存：MAC a、b"
constexpr char kConflictStart[] = "\xb1\xa3\xb4\xe6\xca\xb1 ";
constexpr char kConflictMiddle[] =
    " \xd0\xd0\xd2\xd1\xb1\xbb\xc6\xe4\xcb\xfb\xcc\xe1\xbd\xbb\xd0\xde\xb8\xc4\xa3\xac\xce\xb4\xb1"
    "\xa3"
    "\xb4\xe6\xa3\xbaMAC ";
constexpr char kListSeparator[] = "\xa1\xa2";          // 、
constexpr char kNoMac[] = "\xa3\xa8\xce\xde\xa3\xa9";  // （无）

// The count stands right of the last button of the command bar.
// Right of the import button that follows 保存.
constexpr int kPendingLeft = 820;
constexpr int kPendingMargin = 4;

}  // namespace

InventoryEditing::InventoryEditing(QWidget* panel, const InventoryParts& parts)
    : QObject(panel),
      query_(parts.query),
      grid_(parts.grid),
      host_(parts.host),
      panel_(panel),
      addButton(MakeButton(panel, "addButton", "\xd4\xf6\xbc\xd3", 496, 5, 60)),        // 增加
      deleteButton(MakeButton(panel, "deleteButton", "\xc9\xbe\xb3\xfd", 564, 5, 60)),  // 删除
      cancelEditsButton(MakeButton(panel, "cancelEditsButton", "\xc8\xa1\xcf\xfb\xd0\xde\xb8\xc4",
                                   632, 5,
                                   60)),                                            // 取消修改
      saveButton(MakeButton(panel, "saveButton", "\xb1\xa3\xb4\xe6", 700, 5, 60)),  // 保存
      PendingLabel(Named(new QLabel(panel), "PendingLabel")) {
    PendingLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panel_->installEventFilter(this);
    PlacePendingLabel();
    connect(&parts.model, &InventoryModel::BatchChanged, this, &InventoryEditing::ShowPending);

    ConnectClicks(host_, {
                             {addButton, [this] { AddRow(); }},
                             {deleteButton, [this] { DeleteRow(); }},
                             {cancelEditsButton, [this] { CancelEdits(); }},
                             {saveButton, [this] { Save(); }},
                         });
}

std::string InventoryEditing::PendingText(std::size_t count) {
    return count == 0 ? std::string() : kPending + std::to_string(count);
}

void InventoryEditing::ShowPending() {
    PendingLabel->setText(FromGbk(PendingText(query_.Active() ? query_.PendingCount() : 0)));
}

void InventoryEditing::PlacePendingLabel() {
    const int width = std::max(panel_->width() - kPendingLeft - kPendingMargin, 0);
    PendingLabel->setGeometry(kPendingLeft, 5, width, 25);
}

bool InventoryEditing::eventFilter(QObject* watched, QEvent* event) {
    // Also reached while the window's children are destroyed: panel_ only.
    if (watched == panel_ && event->type() == QEvent::Resize) {
        PlacePendingLabel();
    }
    return QObject::eventFilter(watched, event);
}

void InventoryEditing::AddRow() {
    grid_.AppendRow();
}

void InventoryEditing::DeleteRow() {
    if (!grid_.CommitEdit()) {
        return;
    }
    if (host_.Dialog().ShowWarning(kDeleteQuestion) == ModalResult::Yes) {
        grid_.DeleteRow();
    }
}

void InventoryEditing::CancelEdits() {
    if (host_.Dialog().ShowWarning(kCancelQuestion) != ModalResult::Yes) {
        return;
    }
    // The cell being edited goes back to its loaded value with the rest.
    grid_.DiscardEdit();
    query_.CancelBatch();
    grid_.Resync();
}

void InventoryEditing::Save() {
    if (!grid_.CommitEdit()) {
        return;
    }
    // Any failure reads "保存失败！" alone; the batch stays for another try.
    // Rows changed meanwhile by a report are named in the event log: they
    // save once 刷新 or 全部数据 has shown what the report wrote.
    bool saved = false;
    std::vector<std::string> conflicts;
    try {
        query_.UpdateBatch();
        saved = true;
    } catch (const store::BatchConflictError& error) {
        conflicts = error.Macs();
    } catch (...) {
        saved = false;
    }
    grid_.Resync();
    if (!conflicts.empty()) {
        std::string line = kConflictStart + std::to_string(conflicts.size()) + kConflictMiddle;
        for (std::size_t i = 0; i < conflicts.size(); ++i) {
            line += (i > 0 ? kListSeparator : "") + (conflicts[i].empty() ? kNoMac : conflicts[i]);
        }
        host_.AppendLog(line);
    }
    host_.Dialog().ShowInformation(saved ? kSaved : kNotSaved);
}

bool InventoryEditing::ConfirmClose(bool unattended) {
    const bool pending = query_.Active() && query_.PendingCount() > 0;
    if (unattended || (!pending && !grid_.EditorModified())) {
        return true;
    }
    return host_.Dialog().ShowWarning(kCloseQuestion) == ModalResult::Yes;
}

bool InventoryEditing::SettleBeforeImport() {
    const bool pending = query_.Active() && query_.PendingCount() > 0;
    if (!pending && !grid_.EditorModified()) {
        return true;
    }
    static const std::string question = text::Utf8ToGbk(
        "表格中有尚未保存的修改。导入前要先保存这些修改吗？\n"
        "选“是”保存后导入，选“否”不导入。");
    if (host_.Dialog().ShowWarning(question) != ModalResult::Yes) {
        return false;
    }
    Save();
    return !(query_.Active() && query_.PendingCount() > 0) && !grid_.EditorModified();
}

}  // namespace vantrel::app
