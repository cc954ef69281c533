#include "OnlineListModel.h"

#include "GbkText.h"
#include "NicMakers.h"

namespace vantrel::app {

namespace {
int ModelRows(const scan::OnlineList& list) {
    return static_cast<int>(list.RowCount()) - 1;
}
}  // namespace

OnlineListModel::OnlineListModel(const scan::OnlineList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), rows_(ModelRows(list)) {}

QColor OnlineListModel::UnreportedBackground() {
    return {0xFF, 0xD8, 0x8C};
}

int OnlineListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int OnlineListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(scan::OnlineList::kColumns);
}

QVariant OnlineListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row()) + 1;
    if (role == Qt::BackgroundRole || role == Qt::ForegroundRole) {
        if (!unreported_ || !unreported_(row)) {
            return {};
        }
        // Dark text on a light amber: readable whatever the palette.
        return role == Qt::BackgroundRole ? UnreportedBackground() : QColor(Qt::black);
    }
    if (role == Qt::ToolTipRole) {
        const std::string& mac = list_.Cell(scan::OnlineList::kColMac, row);
        if (makers_ == nullptr || index.column() != static_cast<int>(scan::OnlineList::kColMac) ||
            mac.empty()) {
            return {};
        }
        return FromGbk(makers_->MakerOf(mac));
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    return FromGbk(list_.Cell(static_cast<std::size_t>(index.column()), row));
}

QVariant OnlineListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0) {
        return {};
    }
    return FromGbk(list_.Cell(static_cast<std::size_t>(section), 0));
}

void OnlineListModel::Sync() {
    const int now = ModelRows(list_);
    if (now > rows_) {
        beginInsertRows(QModelIndex(), rows_, now - 1);
        rows_ = now;
        endInsertRows();
    } else if (now < rows_) {
        beginRemoveRows(QModelIndex(), now, rows_ - 1);
        rows_ = now;
        endRemoveRows();
    }
    if (rows_ > 0) {
        emit dataChanged(index(0, 0), index(rows_ - 1, columnCount() - 1));
    }
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

}  // namespace vantrel::app
