#include "InventoryEditing.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <array>

#include "Controls.h"
#include "Dialogs.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "InventoryDataset.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "StoreError.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

const std::string& kDeleteQuestion = u8"确定要删除吗？"_gbk;
const std::string& kCancelQuestion = u8"确定要取消吗？"_gbk;
const std::string& kSaved = u8"保存成功！"_gbk;
const std::string& kNotSaved = u8"保存失败！"_gbk;
const std::string& kCloseQuestion = u8"有未保存的修改，确定要放弃这些修改并退出吗？"_gbk;
const std::string& kPending = u8"待保存"_gbk;
// "保存时 n 行已被其他提交修改，未保存：MAC a、b"
const std::string& kConflictStart = u8"保存时 "_gbk;
const std::string& kConflictMiddle = u8" 行已被其他提交修改，未保存：MAC "_gbk;
const std::string& kListSeparator = u8"、"_gbk;
const std::string& kNoMac = u8"（无）"_gbk;

// The count stands right of the last button of the command bar.
// Right of the buttons that follow 保存 (导入, 打印, 导出资产清单).
constexpr int kPendingLeft = 964;
constexpr int kPendingMargin = 4;

}  // namespace

InventoryEditing::InventoryEditing(QWidget* panel, const InventoryParts& parts)
    : QObject(panel),
      query_(parts.query),
      grid_(parts.grid),
      host_(parts.host),
      panel_(panel),
      addButton_(MakeButton(panel, "addButton", u8"增加"_gbk, 496, 5, 60)),
      deleteButton_(MakeButton(panel, "deleteButton", u8"删除"_gbk, 564, 5, 60)),
      cancelEditsButton_(MakeButton(panel, "cancelEditsButton", u8"取消修改"_gbk, 632, 5, 60)),
      saveButton_(MakeButton(panel, "saveButton", u8"保存"_gbk, 700, 5, 60)),
      pendingLabel_(Named(new QLabel(panel), "PendingLabel")) {
    pendingLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panel_->installEventFilter(this);
    PlacePendingLabel();
    connect(&parts.model, &InventoryModel::BatchChanged, this, &InventoryEditing::ShowPending);

    ConnectClicks(host_, {
                             {addButton_, [this] { AddRow(); }},
                             {deleteButton_, [this] { DeleteRow(); }},
                             {cancelEditsButton_, [this] { CancelEdits(); }},
                             {saveButton_, [this] { Save(); }},
                         });
}

std::string InventoryEditing::PendingText(std::size_t count) {
    return count == 0 ? std::string() : kPending + std::to_string(count);
}

void InventoryEditing::ShowPending() {
    pendingLabel_->setText(FromGbk(PendingText(query_.Active() ? query_.PendingCount() : 0)));
}

void InventoryEditing::PlacePendingLabel() {
    const int width = std::max(panel_->width() - kPendingLeft - kPendingMargin, 0);
    pendingLabel_->setGeometry(std::min(kPendingLeft, panel_->width()), 5, width, 25);
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
    host_.InventoryReloaded();
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
    static const std::string& question =
        u8"表格中有尚未保存的修改。导入前要先保存这些修改吗？\n"
        u8"选“是”保存后导入，选“否”不导入。"_gbk;
    if (host_.Dialog().ShowWarning(question) != ModalResult::Yes) {
        return false;
    }
    Save();
    return !(query_.Active() && query_.PendingCount() > 0) && !grid_.EditorModified();
}

}  // namespace vantrel::app
