#include "GridPlace.h"

#include <QScrollBar>
#include <algorithm>

#include "InventoryDataset.h"
#include "InventoryGrid.h"
#include "IpHistory.h"

namespace vantrel::app {

namespace {

int RowCountOf(const store::InventoryDataset& query) {
    return query.Active() ? static_cast<int>(query.RecordCount()) : 0;
}

std::string ValueOf(const store::InventoryDataset& query, std::size_t row, std::string_view name) {
    const int field = query.FieldIndex(name);
    return field < 0 ? std::string()
                     : query.Value(row, static_cast<std::size_t>(field)).value_or("");
}

}  // namespace

GridPlace::Row GridPlace::RowAt(const store::InventoryDataset& query, int row) {
    if (row < 0 || row >= RowCountOf(query)) {
        return {};
    }
    const auto r = static_cast<std::size_t>(row);
    return {row, store::HistoryKey(ValueOf(query, r, "mac"), ValueOf(query, r, "ip"),
                                   ValueOf(query, r, "pcname"))};
}

int GridPlace::Find(const store::InventoryDataset& query, const Row& was) {
    const int rows = RowCountOf(query);
    if (rows == 0 || was.row < 0) {
        return rows == 0 ? -1 : 0;
    }
    for (const int row : {was.row, was.row - 1, was.row + 1}) {
        if (row >= 0 && row < rows && RowAt(query, row).key == was.key) {
            return row;
        }
    }
    return std::min(was.row, rows - 1);
}

GridPlace GridPlace::Take(const InventoryGrid& grid, const store::InventoryDataset& query) {
    GridPlace place;
    const QModelIndex current = grid.currentIndex();
    if (current.isValid()) {
        place.current_ = RowAt(query, current.row());
        place.currentColumn_ = current.column();
    }
    if (grid.selectionModel() != nullptr) {
        // By ranges: a whole grid selected is one range, not a cell each.
        for (const QItemSelectionRange& range : grid.selectionModel()->selection()) {
            place.selection_.push_back({RowAt(query, range.top()), RowAt(query, range.bottom()),
                                        range.left(), range.right()});
        }
    }
    place.top_ = RowAt(query, grid.rowAt(0));
    place.vertical_ = grid.verticalScrollBar()->value();
    place.horizontal_ = grid.horizontalScrollBar()->value();
    return place;
}

void GridPlace::Restore(InventoryGrid& grid, const store::InventoryDataset& query) const {
    QAbstractItemModel* model = grid.model();
    QItemSelectionModel* selection = grid.selectionModel();
    if (model == nullptr || selection == nullptr || RowCountOf(query) == 0) {
        return;
    }
    if (current_.row >= 0) {
        selection->setCurrentIndex(model->index(Find(query, current_), currentColumn_),
                                   QItemSelectionModel::NoUpdate);
    }
    QItemSelection cells;
    for (const Range& range : selection_) {
        const int top = Find(query, range.top);
        const int bottom = Find(query, range.bottom);
        if (top >= 0 && top <= bottom) {
            cells.select(model->index(top, range.left), model->index(bottom, range.right));
        }
    }
    selection->select(cells, QItemSelectionModel::ClearAndSelect);
    // The scroll bars' ranges follow the rows now, not at the next paint.
    grid.doItemsLayout();
    int vertical = vertical_;
    if (top_.row >= 0) {
        const int shift = Find(query, top_) - top_.row;
        vertical += grid.verticalScrollMode() == QAbstractItemView::ScrollPerItem
                        ? shift
                        : shift * grid.rowHeight(0);
    }
    grid.verticalScrollBar()->setValue(vertical);
    grid.horizontalScrollBar()->setValue(horizontal_);
}

}  // namespace vantrel::app
