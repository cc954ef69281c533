#include "InventoryModel.h"

#include <exception>

#include "GbkConvert.h"
#include "GbkText.h"
#include "InventoryDataset.h"
#include "IpColumns.h"
#include "NicMakers.h"

namespace vantrel::app {

const std::array<InventoryModel::Column, InventoryModel::kColumnCount>& InventoryModel::Columns() {
    // From the column table, in the grid's order; titles converted once.
    static const std::array<Column, kColumnCount> columns = [] {
        std::array<Column, kColumnCount> grid;
        const auto order = protocol::GridOrder();
        for (std::size_t c = 0; c < grid.size(); ++c) {
            const protocol::IpColumn& column = protocol::kIpColumns[order[c]];
            grid[c] = {column.name, text::Utf8ToGbk(column.title), column.gridWidth};
        }
        return grid;
    }();
    return columns;
}

InventoryModel::InventoryModel(store::InventoryDataset& query,
                               std::function<void(std::string_view)> reportError, QObject* parent)
    : QAbstractTableModel(parent), query_(query), reportError_(std::move(reportError)) {}

int InventoryModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !query_.Active()) {
        return 0;
    }
    return static_cast<int>(query_.RecordCount());
}

int InventoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

int InventoryModel::FieldOfColumn(int column) const {
    if (column < 0 || column >= kColumnCount || !query_.Active()) {
        return -1;
    }
    return query_.FieldIndex(Columns()[static_cast<std::size_t>(column)].field);
}

const QString& InventoryModel::CurrentMark() {
    static const QString mark(QChar(0x25B6));  // ▶
    return mark;
}

const QString& InventoryModel::EditingMark() {
    static const QString mark(QChar(0x270E));  // ✎
    return mark;
}

const QString& InventoryModel::NewMark() {
    static const QString mark(QLatin1Char('*'));
    return mark;
}

const QString& InventoryModel::ChangedMark() {
    static const QString mark(QChar(0x25CF));  // ●
    return mark;
}

QColor InventoryModel::NewRowColor() {
    return {0xdc, 0xf5, 0xdc};
}

QColor InventoryModel::ChangedCellColor() {
    return {0xff, 0xef, 0xb0};
}

QColor InventoryModel::RetiredTextColor() {
    return {0xa0, 0xa0, 0xa0};
}

namespace {

// Whether the asset records in the dataset's filter say the row's PC is retired.
bool IsRetiredRow(const store::InventoryDataset& query, std::size_t row) {
    const inventory::AssetIndex* assets = query.Filter().Assets();
    if (assets == nullptr || assets->RetiredCount() == 0) {
        return false;
    }
    const auto value = [&](std::string_view name) {
        const int field = query.FieldIndex(name);
        return field < 0 ? std::string()
                         : query.Value(row, static_cast<std::size_t>(field)).value_or("");
    };
    return assets->IsRetired(value("mac"), value("ip"), value("pcname"));
}

}  // namespace

QVariant InventoryModel::data(const QModelIndex& index, int role) const {
    const bool text = role == Qt::DisplayRole || role == Qt::EditRole;
    if (!index.isValid() || (!text && role != Qt::BackgroundRole && role != Qt::ToolTipRole &&
                             role != Qt::ForegroundRole)) {
        return {};
    }
    const int field = FieldOfColumn(index.column());
    if (field < 0 || index.row() >= rowCount()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    if (role == Qt::ToolTipRole) {
        // The whole value (the grid shows it where the cell cuts it short),
        // and under a MAC its network card's maker.
        const std::string value = query_.DisplayText(row, static_cast<std::size_t>(field));
        if (value.empty()) {
            return {};
        }
        if (makers_ == nullptr || field != query_.FieldIndex("mac")) {
            return FromGbk(value);
        }
        return FromGbk(value) + QLatin1Char('\n') + FromGbk(makers_->MakerOf(value));
    }
    if (role == Qt::ForegroundRole) {
        return IsRetiredRow(query_, row) ? QVariant(RetiredTextColor()) : QVariant();
    }
    if (role == Qt::BackgroundRole) {
        if (query_.Status(row) == store::InventoryDataset::RowStatus::Inserted) {
            return NewRowColor();
        }
        if (query_.FieldChanged(row, static_cast<std::size_t>(field))) {
            return ChangedCellColor();
        }
        return {};
    }
    return FromGbk(query_.DisplayText(row, static_cast<std::size_t>(field)));
}

QVariant InventoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= kColumnCount) {
            return {};
        }
        if (role == Qt::DisplayRole) {
            return FromGbk(Columns()[static_cast<std::size_t>(section)].title);
        }
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
        }
        return {};
    }
    // The row indicator, no numbers: an arrow at the dataset's current row
    // (a pencil while it is edited), then the row's pending state.
    if (role == Qt::DisplayRole) {
        if (!query_.Active() || section < 0 || section >= rowCount()) {
            return QString();
        }
        QString marks;
        if (query_.RecNo() == section) {
            marks = query_.Editing() ? EditingMark() : CurrentMark();
        }
        switch (query_.Status(static_cast<std::size_t>(section))) {
            case store::InventoryDataset::RowStatus::Inserted:
                return marks + NewMark();
            case store::InventoryDataset::RowStatus::Modified:
                return marks + ChangedMark();
            case store::InventoryDataset::RowStatus::Unchanged:
                break;
        }
        return marks;
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    }
    return {};
}

Qt::ItemFlags InventoryModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags base = QAbstractTableModel::flags(index);
    if (FieldOfColumn(index.column()) >= 0) {
        base |= Qt::ItemIsEditable;
    }
    return base;
}

bool InventoryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) {
        return false;
    }
    const int field = FieldOfColumn(index.column());
    if (field < 0 || index.row() >= rowCount()) {
        return false;
    }
    // An editor left without a change is no edit: a null stays null, an
    // untouched new row can still be dropped, and bytes that are not GBK
    // are not pushed through the conversion.
    if (value.toString() == data(index, Qt::EditRole).toString()) {
        return true;
    }
    try {
        SetFieldValue(index.row(), field, ToGbk(value.toString()));
    } catch (const std::exception& error) {
        reportError_(error.what());
        return false;
    }
    return true;
}

void InventoryModel::SetFieldValue(int row, int field, store::FieldValue value) {
    SetCurrentRow(row);
    query_.SetValue(static_cast<std::size_t>(field), std::move(value));
    // The whole row: a new row's background and the marks follow the edit.
    emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
    emit BatchChanged();
}

void InventoryModel::Reload() {
    beginResetModel();
    endResetModel();
    emit BatchChanged();
}

void InventoryModel::RowsChanged(const std::vector<std::size_t>& rows) {
    if (rows.empty()) {
        return;
    }
    // One signal for the span: the view repaints once, whatever the count.
    emit dataChanged(index(static_cast<int>(rows.front()), 0),
                     index(static_cast<int>(rows.back()), kColumnCount - 1));
}

void InventoryModel::SetCurrentRow(int row) {
    const long long before = query_.RecNo();
    if (!query_.Active() || row < 0 || row == before) {
        return;
    }
    if (query_.Editing()) {
        // Leaving a new row nobody typed into drops it; the view is told.
        const auto edited = static_cast<std::size_t>(before);
        const bool drops = !query_.Modified() &&
                           query_.Status(edited) == store::InventoryDataset::RowStatus::Inserted;
        if (drops) {
            beginRemoveRows(QModelIndex(), static_cast<int>(before), static_cast<int>(before));
        }
        query_.EndEdit();
        if (drops) {
            endRemoveRows();
        }
    }
    if (static_cast<std::size_t>(row) < query_.RecordCount()) {
        query_.SetRecNo(static_cast<std::size_t>(row));
    }
    // Only the rows left and reached change their marks.
    const int last = rowCount() - 1;
    for (const long long changed : {before, query_.RecNo()}) {
        if (changed >= 0 && changed <= last) {
            emit headerDataChanged(Qt::Vertical, static_cast<int>(changed),
                                   static_cast<int>(changed));
        }
    }
    emit BatchChanged();
}

}  // namespace vantrel::app
