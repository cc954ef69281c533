#include "TInventoryEditing.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <algorithm>

#include "GbkText.h"
#include "TDBGridEh.h"
#include "TDialogs.h"
#include "TForm1.h"
#include "TInventoryModel.h"

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

// The count stands right of the last button of the command bar.
constexpr int kPendingLeft = 764;
constexpr int kPendingMargin = 4;

}  // namespace

TInventoryEditing::TInventoryEditing(TForm1& form)
    : QObject(&form), form_(form), panel_(form.Panel1) {
    PendingLabel = new QLabel(panel_);
    PendingLabel->setObjectName(QStringLiteral("PendingLabel"));
    PendingLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    panel_->installEventFilter(this);
    PlacePendingLabel();
    connect(form_.DataSource1, &TInventoryModel::BatchChanged, this,
            &TInventoryEditing::ShowPending);
}

std::string TInventoryEditing::PendingText(std::size_t count) {
    return count == 0 ? std::string() : kPending + std::to_string(count);
}

void TInventoryEditing::ShowPending() {
    const store::TADOQuery1& dataset = form_.ADOQuery1;
    PendingLabel->setText(FromGbk(PendingText(dataset.Active() ? dataset.PendingCount() : 0)));
}

void TInventoryEditing::PlacePendingLabel() {
    const int width = std::max(panel_->width() - kPendingLeft - kPendingMargin, 0);
    PendingLabel->setGeometry(kPendingLeft, 5, width, 25);
}

bool TInventoryEditing::eventFilter(QObject* watched, QEvent* event) {
    // Also reached while the window's children are destroyed: panel_ only.
    if (watched == panel_ && event->type() == QEvent::Resize) {
        PlacePendingLabel();
    }
    return QObject::eventFilter(watched, event);
}

void TInventoryEditing::Button5Click() {
    form_.DBGridEh1->AppendRow();
}

void TInventoryEditing::Button3Click() {
    TDBGridEh& grid = *form_.DBGridEh1;
    if (!grid.CommitEdit()) {
        return;
    }
    if (form_.Dialogs().ShowWarning(kDeleteQuestion) == TModalResult::Yes) {
        grid.DeleteRow();
    }
}

void TInventoryEditing::Button4Click() {
    if (form_.Dialogs().ShowWarning(kCancelQuestion) != TModalResult::Yes) {
        return;
    }
    // The cell being edited goes back to its loaded value with the rest.
    form_.DBGridEh1->DiscardEdit();
    form_.ADOQuery1.CancelBatch();
    form_.DBGridEh1->Resync();
}

void TInventoryEditing::Button2Click() {
    TDBGridEh& grid = *form_.DBGridEh1;
    if (!grid.CommitEdit()) {
        return;
    }
    // Any failure reads "保存失败！" alone; the batch stays for another try.
    bool saved = false;
    try {
        form_.ADOQuery1.UpdateBatch();
        saved = true;
    } catch (...) {
        saved = false;
    }
    grid.Resync();
    form_.Dialogs().ShowInformation(saved ? kSaved : kNotSaved);
}

bool TInventoryEditing::ConfirmClose(bool unattended) {
    const store::TADOQuery1& dataset = form_.ADOQuery1;
    const bool pending = dataset.Active() && dataset.PendingCount() > 0;
    if (unattended || (!pending && !form_.DBGridEh1->EditorModified())) {
        return true;
    }
    return form_.Dialogs().ShowWarning(kCloseQuestion) == TModalResult::Yes;
}

}  // namespace vantrel::app
