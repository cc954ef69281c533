#include "InventoryGrid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMetaProperty>
#include <QStyledItemDelegate>
#include <algorithm>

#include "Dialogs.h"
#include "GbkLiteral.h"
#include "InventoryDataset.h"
#include "InventoryModel.h"

namespace vantrel::app {

namespace {

const std::string& kDeleteQuestion = u8"删除记录吗？"_gbk;

// The value an editor holds, read as the view's delegate reads it.
QVariant EditorValue(const QWidget* editor) {
    const QMetaProperty property = editor->metaObject()->userProperty();
    return property.isValid() ? property.read(editor) : QVariant();
}

}  // namespace

// Remembers the open editor and whether the model took its text.
class InventoryGrid::Delegate : public QStyledItemDelegate {
  public:
    explicit Delegate(InventoryGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        grid_->editor_ = editor;
        grid_->editorIndex_ = index;
        return editor;
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        if (index.isValid()) {
            grid_->committed_ = model->setData(index, EditorValue(editor), Qt::EditRole);
        }
    }

  private:
    InventoryGrid* grid_;
};

InventoryGrid::InventoryGrid(QWidget* parent) : QTableView(parent), delegate_(new Delegate(this)) {
    setItemDelegate(delegate_);
    connect(qApp, &QApplication::focusChanged, this, &InventoryGrid::FocusChanged);
}

void InventoryGrid::Bind(InventoryModel* model, Dialogs* dialogs, Runner run) {
    model_ = model;
    dialogs_ = dialogs;
    run_ = std::move(run);
    // A reset destroys the editor without a word to closeEditor.
    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        editor_ = nullptr;
        editorIndex_ = QPersistentModelIndex();
    });
}

void InventoryGrid::Resync() {
    if (model_ == nullptr || model() != model_) {
        return;
    }
    const int column = std::max(currentIndex().column(), 0);
    model_->Reload();
    const store::InventoryDataset& dataset = model_->DataSet();
    const long long row = dataset.Active() ? dataset.RecNo() : -1;
    if (row >= 0) {
        setCurrentIndex(model_->index(static_cast<int>(row), column));
    }
}

bool InventoryGrid::CommitEdit() {
    if (editor_.isNull() || !editorIndex_.isValid()) {
        return true;
    }
    QWidget* editor = editor_;
    committed_ = true;
    commitData(editor);
    if (!committed_) {
        if (!editor_.isNull()) {
            editor_->setFocus();
        }
        return false;
    }
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

void InventoryGrid::DiscardEdit() {
    if (!editor_.isNull()) {
        closeEditor(editor_, QAbstractItemDelegate::RevertModelCache);
    }
}

bool InventoryGrid::EditorModified() const {
    if (editor_.isNull() || !editorIndex_.isValid()) {
        return false;
    }
    return EditorValue(editor_).toString() != model()->data(editorIndex_, Qt::EditRole).toString();
}

void InventoryGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor == editor_) {
        editor_ = nullptr;
        editorIndex_ = QPersistentModelIndex();
    }
    QTableView::closeEditor(editor, hint);
}

void InventoryGrid::AppendRow() {
    if (!CommitEdit()) {
        return;
    }
    model_->DataSet().Append();
    Resync();
}

void InventoryGrid::DeleteRow() {
    if (!CommitEdit()) {
        return;
    }
    model_->DataSet().Delete();
    Resync();
}

bool InventoryGrid::OnUntouchedNewRow() const {
    const store::InventoryDataset& dataset = model_->DataSet();
    return dataset.Active() && dataset.Editing() && !dataset.Modified() && dataset.RecNo() >= 0 &&
           dataset.Status(static_cast<std::size_t>(dataset.RecNo())) ==
               store::InventoryDataset::RowStatus::Inserted;
}

bool InventoryGrid::AtLastRow() const {
    const store::InventoryDataset& dataset = model_->DataSet();
    return dataset.Active() && dataset.RecNo() + 1 == static_cast<long long>(dataset.RecordCount());
}

void InventoryGrid::ConfirmDelete() {
    const store::InventoryDataset& dataset = model_->DataSet();
    // Like the grid it stands for: nothing to ask about on an empty view.
    if (!dataset.Active() || dataset.RecordCount() == 0 || !CommitEdit()) {
        return;
    }
    if (dialogs_->ShowConfirmation(kDeleteQuestion) == ModalResult::Ok) {
        DeleteRow();
    }
}

void InventoryGrid::keyPressEvent(QKeyEvent* event) {
    if (Bound()) {
        const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
        const int key = event->key();
        if (key == Qt::Key_Insert && modifiers == Qt::NoModifier) {
            event->accept();
            run_([this] { AppendRow(); });
            return;
        }
        if (key == Qt::Key_Delete && modifiers == Qt::ControlModifier) {
            event->accept();
            run_([this] { ConfirmDelete(); });
            return;
        }
        // Down from the last row appends one; from a new row still untouched
        // it does nothing, so that rows are not piled up empty.
        if (key == Qt::Key_Down && modifiers == Qt::NoModifier && AtLastRow()) {
            event->accept();
            run_([this] {
                if (CommitEdit() && !OnUntouchedNewRow()) {
                    AppendRow();
                }
            });
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

bool InventoryGrid::Bound() const {
    // The window takes the model away before the dataset goes.
    return model_ != nullptr && run_ && model() == model_;
}

bool InventoryGrid::Contains(const QWidget* widget) const {
    return widget == this || isAncestorOf(widget);
}

void InventoryGrid::FocusChanged(QWidget* old, QWidget* now) {
    // Only a move to another control of the same window leaves the grid: a
    // box it opens, or another window becoming active, does not.
    if (!Bound() || old == nullptr || now == nullptr || !Contains(old) || Contains(now) ||
        now->window() != window()) {
        return;
    }
    run_([this] {
        if (CommitEdit() && OnUntouchedNewRow()) {
            model_->DataSet().EndEdit();  // drops the row
            Resync();
        }
    });
}

}  // namespace vantrel::app
