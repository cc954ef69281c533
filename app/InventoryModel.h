#pragma once
// The inventory grid's view of the dataset: the seventeen columns the grid
// shows, whatever else the query returns, with GBK text converted for Qt.
// Pending changes stand out: new rows and changed cells have their own
// background, and the row indicator marks the current row and each row's
// state.

#include <QAbstractTableModel>
#include <QColor>
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "IpColumns.h"
#include "StoreTypes.h"

namespace vantrel::store {
class InventoryDataset;
}  // namespace vantrel::store

namespace vantrel::inventory {
class NicMakers;
}  // namespace vantrel::inventory

namespace vantrel::app {

class InventoryModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    struct Column {
        std::string_view field;  // column of table ip
        std::string title;       // GBK
        int width;               // pixels; 0: the grid's default for a date and time
    };
    static constexpr int kColumnCount = static_cast<int>(protocol::kIpColumnCount);
    static const std::array<Column, kColumnCount>& Columns();

    // Errors of an in-place edit go to `reportError` (the error box): they
    // happen inside Qt's event handling, where nothing may be thrown.
    InventoryModel(store::InventoryDataset& query,
                   std::function<void(std::string_view message)> reportError,
                   QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Writes the text as GBK into the row's field through the dataset's
    // edit of that row; refused text is reported, never altered.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Sets a field of a row to the value as it is, as an edit of that row,
    // which becomes the current row: the value waits in the pending batch
    // like a typed one. Throws the dataset's errors.
    void SetFieldValue(int row, int field, store::FieldValue value);

    // Call after the dataset's view changed (open, filter, sort, re-query,
    // append, delete, cancel): the grid reads everything anew.
    void Reload();
    // Call after values of these view rows (ascending) changed in place: the
    // grid redraws them, keeping its cursor, selection and scroll position.
    void RowsChanged(const std::vector<std::size_t>& rows);
    // Moves the dataset's current row; an edit in progress of another row is
    // posted first. Throws the dataset's errors.
    void SetCurrentRow(int row);
    // Dataset field shown by a grid column (matched ignoring case); -1 when
    // none, e.g. while the dataset is closed.
    int FieldOfColumn(int column) const;
    store::InventoryDataset& DataSet() const { return query_; }

    // The row indicator's marks: the current row, being edited, new, changed.
    static const QString& CurrentMark();
    static const QString& EditingMark();
    static const QString& NewMark();
    static const QString& ChangedMark();
    // Backgrounds of new rows and of changed cells.
    static QColor NewRowColor();
    static QColor ChangedCellColor();
    // Text of the rows of retired PCs (status 报废), shown when not hidden.
    static QColor RetiredTextColor();

    // A cell's tooltip is its whole value; a MAC's adds the network card's
    // maker on a line of its own. `makers` must outlive the model (null:
    // the MAC alone).
    void SetMakers(const inventory::NicMakers* makers) { makers_ = makers; }
    const inventory::NicMakers* Makers() const { return makers_; }

  signals:
    // The pending batch or the edit in progress may have changed.
    void BatchChanged();

  private:
    store::InventoryDataset& query_;
    const inventory::NicMakers* makers_ = nullptr;
    std::function<void(std::string_view)> reportError_;
};

}  // namespace vantrel::app
