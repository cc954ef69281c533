#pragma once
// The inventory grid: a table view over InventoryModel that behaves like a
// data grid. The Insert key appends a row, moving down past the last row
// appends one, Ctrl+Delete deletes the current row after the grid's own
// OK/Cancel question, and focus leaving the grid drops a new row nobody
// typed into. The open cell editor can be taken into the row or discarded
// before an operation on the dataset. A cell too narrow for its text ends
// in "…" and shows the whole value as a tooltip; the sort column's title
// carries the sort arrow; an empty inventory shows how to fill it.

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableView>
#include <functional>

namespace vantrel::app {

class Dialogs;
class InventoryModel;

class InventoryGrid : public QTableView {
    Q_OBJECT
  public:
    // Runs an operation; an error escaping it goes to the error box.
    using Runner = std::function<void(const std::function<void()>&)>;

    explicit InventoryGrid(QWidget* parent = nullptr);

    // The model the grid shows (already set with setModel), the dialogs for
    // its question and the runner for its keys.
    void Bind(InventoryModel* model, Dialogs* dialogs, Runner run);

    // Shows the dataset anew (after a filter, sort, re-query, append, delete,
    // save or cancel) with the cursor on the dataset's current row. An open
    // cell editor is closed without taking its text: take it first.
    void Resync();

    // Takes the text of the open cell editor into its row, which stays in
    // its edit. False when the text was refused (the error box said why);
    // the editor then stays open. True when no editor is open.
    bool CommitEdit();
    // Closes the open cell editor without taking its text.
    void DiscardEdit();
    // Whether a cell editor is open with a text other than the cell's.
    bool EditorModified() const;
    // The row of the open cell editor; -1 when none is open.
    int EditorRow() const {
        return !editor_.isNull() && editorIndex_.isValid() ? editorIndex_.row() : -1;
    }

    // The grid's own operations, each taking the open editor's text first.
    void AppendRow();
    void DeleteRow();

    // The widths before any are saved: the column table's, with IP地址,
    // MAC地址 and PC名 widened where the grid's font needs it to hold a full
    // IPv4 address, a 17-character MAC and a 15-character NetBIOS name.
    void SizeColumns();
    // Whether the cell's text is wider than the cell shows (it ends in "…").
    bool CellElided(const QModelIndex& index) const;
    // The tooltip of a cell: the model's (the whole value; the MAC's with
    // its maker) unless it only repeats a text the cell shows whole.
    QString CellToolTip(const QModelIndex& index) const;
    // Whether the grid shows the hint of an empty inventory: open, no
    // search or choice in force, no row, and no new PC waiting for 刷新.
    bool ShowsEmptyHint() const;
    // New PCs have reported since the last load: the hint gives way to the
    // line that counts them.
    void SetArrivalsWaiting(bool waiting);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    class Delegate;
    void ShowSortIndicator();
    bool arrivalsWaiting_ = false;
    void FocusChanged(QWidget* old, QWidget* now);
    bool Bound() const;
    bool Contains(const QWidget* widget) const;
    bool OnUntouchedNewRow() const;
    bool AtLastRow() const;
    void ConfirmDelete();

    InventoryModel* model_ = nullptr;
    Dialogs* dialogs_ = nullptr;
    Runner run_;
    Delegate* delegate_ = nullptr;
    QPointer<QWidget> editor_;
    QPersistentModelIndex editorIndex_;
    bool committed_ = true;
};

}  // namespace vantrel::app
