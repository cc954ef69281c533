#include "InventoryHistory.h"

#include <QAction>
#include <QMenu>
#include <stdexcept>

#include "GbkLiteral.h"
#include "GbkText.h"
#include "HistoryWindow.h"
#include "InventoryDataset.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

const std::string& kHistoryItem = u8"查看变更记录"_gbk;
const std::string& kRowGone = u8"该行已不在表格中"_gbk;

// A value cut in the history would replace the whole one with its start.
const std::string& kCutValueRefused =
    u8"所选记录中有过长的原值，变更记录只保存了它的开头，无法恢复。"_gbk;

}  // namespace

InventoryHistory::InventoryHistory(const InventoryParts& parts,
                                   store::InventoryDatabase& connection)
    : QObject(),
      parts_(parts),
      history_(connection),
      RowMenu_(new QMenu(&parts.grid)),
      HistoryItem_(RowMenu_->addAction(FromGbk(kHistoryItem))) {
    RowMenu_->setObjectName(QStringLiteral("RowMenu"));
    HistoryItem_->setObjectName(QStringLiteral("HistoryItem"));
    parts_.grid.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&parts_.grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) {
                parts_.host.RunHandler([this, position] { ShowRowMenu(position); });
            });
    connect(HistoryItem_, &QAction::triggered, this,
            [this] { parts_.host.RunHandler([this] { HistoryItemClick(); }); });
}

InventoryHistory::~InventoryHistory() {
    // The window restores into the dataset: it goes first.
    delete window_.data();
}

HistoryWindow* InventoryHistory::OpenHistoryWindow() const {
    return window_.data();
}

store::FieldValue InventoryHistory::MacOfRow(int row) const {
    const store::InventoryDataset& query = parts_.query;
    const int field = query.Active() ? query.FieldIndex("mac") : -1;
    if (field < 0 || row < 0 || static_cast<std::size_t>(row) >= query.RecordCount()) {
        return std::nullopt;
    }
    return query.Value(static_cast<std::size_t>(row), static_cast<std::size_t>(field));
}

void InventoryHistory::ShowRowMenu(const QPoint& position) {
    const QModelIndex index = parts_.grid.indexAt(position);
    if (!index.isValid() || !parts_.grid.CommitEdit()) {
        return;
    }
    parts_.grid.setCurrentIndex(index);
    parts_.model.SetCurrentRow(index.row());
    const store::FieldValue mac = MacOfRow(index.row());
    row_ = index.row();
    mac_ = mac.value_or(std::string());
    HistoryItem_->setEnabled(mac && history_.HasHistory(*mac));
    RowMenu_->popup(parts_.grid.viewport()->mapToGlobal(position));
}

void InventoryHistory::HistoryItemClick() {
    if (MacOfRow(row_) != mac_) {
        throw std::runtime_error(kRowGone);
    }
    delete window_.data();
    window_ = new HistoryWindow(
        parts_.grid.window(), parts_.host, mac_, history_.HistoryOf(mac_, kListedEntries),
        [this](const std::vector<store::HistoryEntry>& entries) { Restore(entries); });
    window_->open();
}

void InventoryHistory::Restore(const std::vector<store::HistoryEntry>& entries) {
    if (MacOfRow(row_) != mac_) {
        throw std::runtime_error(kRowGone);
    }
    if (!parts_.grid.CommitEdit()) {
        return;
    }
    for (const store::HistoryEntry& entry : entries) {
        if (entry.oldValueCut) {
            throw std::runtime_error(kCutValueRefused);
        }
    }
    store::InventoryDataset& query = parts_.query;
    for (const store::HistoryEntry& entry : entries) {
        const int field = query.FieldIndex(entry.column);
        if (field < 0) {
            continue;
        }
        const auto row = static_cast<std::size_t>(row_);
        if (query.Value(row, static_cast<std::size_t>(field)) == entry.oldValue) {
            continue;
        }
        parts_.model.SetFieldValue(row_, field, entry.oldValue);
        for (int c = 0; c < InventoryModel::kColumnCount; ++c) {
            if (parts_.model.FieldOfColumn(c) == field) {
                parts_.grid.setCurrentIndex(parts_.model.index(row_, c));
            }
        }
    }
}

}  // namespace vantrel::app
