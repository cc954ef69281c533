#include "InventoryGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMetaProperty>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QToolTip>
#include <algorithm>

#include "Dialogs.h"
#include "EmptyInventoryHint.h"
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

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event == nullptr || view == nullptr || event->type() != QEvent::ToolTip) {
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        }
        const QString tip = grid_->CellToolTip(index);
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
            return false;
        }
        // Cell text is shown as typed, never read as markup.
        const QString shown =
            Qt::mightBeRichText(tip)
                ? QStringLiteral("<p style='white-space:pre'>") +
                      tip.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")) +
                      QStringLiteral("</p>")
                : tip;
        QToolTip::showText(event->globalPos(), shown, view, option.rect);
        return true;
    }

    // The option the cell is painted with, its text included.
    void Prepare(QStyleOptionViewItem* option, const QModelIndex& index) const {
        initStyleOption(option, index);
    }

  private:
    InventoryGrid* grid_;
};

InventoryGrid::InventoryGrid(QWidget* parent) : QTableView(parent), delegate_(new Delegate(this)) {
    setItemDelegate(delegate_);
    // A value cut short says so, and its tooltip tells it whole.
    setTextElideMode(Qt::ElideRight);
    setWordWrap(false);
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
    // The arrow follows the dataset's sort: after every reset, and after a
    // click on a title, which the header answers by turning its own arrow
    // even when the sort stays (it is always ascending).
    connect(model_, &QAbstractItemModel::modelReset, this, &InventoryGrid::ShowSortIndicator);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            &InventoryGrid::ShowSortIndicator, Qt::QueuedConnection);
    ShowSortIndicator();
}

void InventoryGrid::ShowSortIndicator() {
    QHeaderView* titles = horizontalHeader();
    int column = -1;
    if (model_ != nullptr && model() == model_ && model_->DataSet().Active()) {
        const int field = model_->DataSet().FieldIndex(model_->DataSet().Sort());
        for (int c = 0; c < InventoryModel::kColumnCount && field >= 0; ++c) {
            if (model_->FieldOfColumn(c) == field) {
                column = c;
                break;
            }
        }
    }
    titles->setSortIndicatorShown(column >= 0);
    titles->setSortIndicator(column, Qt::AscendingOrder);
}

void InventoryGrid::SizeColumns() {
    QHeaderView* titles = horizontalHeader();
    const QFontMetrics metrics = fontMetrics();
    const auto widest = [&metrics](QStringView characters) {
        int width = 0;
        for (const QChar c : characters) {
            width = std::max(width, metrics.horizontalAdvance(c));
        }
        return width;
    };
    // A name's characters vary in width: their mean, rounded up.
    const auto mean = [&metrics](QStringView characters) {
        int sum = 0;
        for (const QChar c : characters) {
            sum += metrics.horizontalAdvance(c);
        }
        return (sum + static_cast<int>(characters.size()) - 1) /
               static_cast<int>(characters.size());
    };
    const int digit = widest(u"0123456789");
    const int hexDigit = widest(u"0123456789ABCDEFabcdef");
    const int nameCharacter = mean(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-");
    // The text's margins on both sides, the grid line and a pixel of
    // rounding.
    const int margins =
        2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 2;
    for (int c = 0; c < InventoryModel::kColumnCount; ++c) {
        const InventoryModel::Column& column =
            InventoryModel::Columns()[static_cast<std::size_t>(c)];
        int width = column.width;
        if (width == 0) {
            // A date and time field: room for 18 digits, as grids size it.
            width = metrics.horizontalAdvance(QLatin1Char('0')) * 18 + 4;
        }
        int needed = 0;
        if (column.field == "ip") {
            needed = 12 * digit + 3 * metrics.horizontalAdvance(QLatin1Char('.'));
        } else if (column.field == "mac") {
            needed = 12 * hexDigit + 5 * widest(u":-");
        } else if (column.field == "pcname") {
            needed = 15 * nameCharacter;
        }
        titles->resizeSection(c, needed > 0 ? std::max(width, needed + margins) : width);
    }
}

bool InventoryGrid::CellElided(const QModelIndex& index) const {
    if (!index.isValid()) {
        return false;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    // The view paints a cell one pixel short of its section for the grid line.
    if (showGrid()) {
        option.rect.adjust(0, 0, -1, -1);
    }
    delegate_->Prepare(&option, index);
    if (option.text.isEmpty()) {
        return false;
    }
    const QRect text = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return option.fontMetrics.horizontalAdvance(option.text) > text.width() - 2 * margin;
}

QString InventoryGrid::CellToolTip(const QModelIndex& index) const {
    if (!index.isValid() || model() == nullptr) {
        return {};
    }
    const QString tip = model()->data(index, Qt::ToolTipRole).toString();
    if (tip.isEmpty() ||
        (tip == model()->data(index, Qt::DisplayRole).toString() && !CellElided(index))) {
        return {};
    }
    return tip;
}

bool InventoryGrid::ShowsEmptyHint() const {
    if (model_ == nullptr || model() != model_) {
        return false;
    }
    const store::InventoryDataset& dataset = model_->DataSet();
    return !arrivalsWaiting_ && dataset.Active() && dataset.RecordCount() == 0 &&
           dataset.Filter().ShowsAll();
}

void InventoryGrid::SetArrivalsWaiting(bool waiting) {
    if (waiting != arrivalsWaiting_) {
        arrivalsWaiting_ = waiting;
        viewport()->update();
    }
}

void InventoryGrid::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (!ShowsEmptyHint()) {
        return;
    }
    // Below the titles, in the middle of the empty grid, at most about
    // thirty characters wide so that it reads as a note.
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const QRect area = viewport()->rect().adjusted(24, 24, -24, -24);
    const int width = std::min(area.width(), fontMetrics().horizontalAdvance(QChar(0x4E2D)) * 30);
    QRect note(0, 0, width, area.height());
    note.moveCenter(area.center());
    painter.drawText(note, Qt::AlignCenter | Qt::TextWordWrap, EmptyInventoryHint());
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
