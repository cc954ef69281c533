#include "InventoryHistory.h"

#include <QAction>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <exception>
#include <optional>
#include <stdexcept>

#include "AssetBatch.h"
#include "Dialogs.h"
#include "Gbk.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "InventoryDataset.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "IpHistory.h"
#include "PcAssetTab.h"
#include "PcHistoryTab.h"
#include "PcMonitorTab.h"
#include "PcSoftwareTab.h"
#include "PcSummaryTab.h"
#include "PcWindow.h"
#include "PcWindows.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

const std::string& kHistoryItem = u8"查看变更记录"_gbk;
const std::string& kDetailsItem = u8"详细信息"_gbk;
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
      rowMenu_(new QMenu(&parts.grid)),
      detailsItem_(rowMenu_->addAction(FromGbk(kDetailsItem))),
      historyItem_(rowMenu_->addAction(FromGbk(kHistoryItem))),
      lastOnlineItem_(nullptr),
      lastReportItem_(nullptr),
      seen_(connection),
      windows_(std::make_unique<PcWindows>(PcWindowTabContext{connection, parts.host})) {
    // The tabs every PC's window has; more are added through Windows().
    const InventoryModel* model = &parts_.model;
    windows_->AddTab(PcSummaryTab::Factory([model] { return model->Makers(); }));
    windows_->AddTab(PcMonitorTab::Factory());
    windows_->AddTab(PcSoftwareTab::Factory());
    windows_->AddTab(PcAssetTab::Factory());
    windows_->AddTab(PcHistoryTab::Factory(
        [this](const PcWindowSubject& pc, const std::vector<store::HistoryEntry>& entries) {
            Restore(pc, entries);
        }));
    new AssetBatch(parts_, connection, *rowMenu_);  // 批量设置资产信息…, owned by the menu
    rowMenu_->addSeparator();
    lastOnlineItem_ = rowMenu_->addAction(QString());
    lastReportItem_ = rowMenu_->addAction(QString());
    // They tell; there is nothing to choose.
    lastOnlineItem_->setEnabled(false);
    lastReportItem_->setEnabled(false);
    lastOnlineItem_->setObjectName(QStringLiteral("LastOnlineItem"));
    lastReportItem_->setObjectName(QStringLiteral("LastReportItem"));
    rowMenu_->setObjectName(QStringLiteral("RowMenu"));
    historyItem_->setObjectName(QStringLiteral("HistoryItem"));
    detailsItem_->setObjectName(QStringLiteral("DetailsItem"));
    parts_.grid.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&parts_.grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) {
                parts_.host.RunHandler([this, position] { ShowRowMenu(position); });
            });
    connect(historyItem_, &QAction::triggered, this,
            [this] { parts_.host.RunHandler([this] { HistoryItemClick(); }); });
    connect(detailsItem_, &QAction::triggered, this,
            [this] { parts_.host.RunHandler([this] { DetailsItemClick(); }); });
    connect(parts_.grid.verticalHeader(), &QHeaderView::sectionDoubleClicked, this,
            [this](int row) { parts_.host.RunHandler([this, row] { OpenPcWindow(row); }); });
    // Saved, re-read or cancelled: the windows show what the store holds now.
    connect(&parts_.model, &QAbstractItemModel::modelReset, this, [this] { windows_->Refresh(); });
}

InventoryHistory::~InventoryHistory() {
    // The windows restore into the dataset: they go first.
    windows_.reset();
}

store::FieldValue InventoryHistory::ValueOfRow(int row, std::string_view name) const {
    const store::InventoryDataset& query = parts_.query;
    const int field = query.Active() ? query.FieldIndex(name) : -1;
    if (field < 0 || row < 0 || static_cast<std::size_t>(row) >= query.RecordCount()) {
        return std::nullopt;
    }
    return query.Value(static_cast<std::size_t>(row), static_cast<std::size_t>(field));
}

std::optional<std::string> InventoryHistory::KeyOfRow(int row) const {
    const store::InventoryDataset& query = parts_.query;
    if (!query.Active() || query.FieldIndex("mac") < 0 || row < 0 ||
        static_cast<std::size_t>(row) >= query.RecordCount()) {
        return std::nullopt;
    }
    return store::HistoryKey(ValueOfRow(row, "mac").value_or(""),
                             ValueOfRow(row, "ip").value_or(""),
                             ValueOfRow(row, "pcname").value_or(""));
}

std::optional<PcWindowSubject> InventoryHistory::SubjectOfRow(int row) const {
    std::optional<std::string> key = KeyOfRow(row);
    if (!key) {
        return std::nullopt;
    }
    return PcWindowSubject{std::move(*key), ValueOfRow(row, "mac").value_or(""),
                           ValueOfRow(row, "pcname").value_or(""),
                           ValueOfRow(row, "username").value_or("")};
}

int InventoryHistory::RowOfKey(const std::string& key) const {
    const std::size_t rows = parts_.query.Active() ? parts_.query.RecordCount() : 0;
    for (std::size_t r = 0; r < rows; ++r) {
        if (KeyOfRow(static_cast<int>(r)) == key) {
            return static_cast<int>(r);
        }
    }
    return -1;
}

void InventoryHistory::ShowRowMenu(const QPoint& position) {
    const QModelIndex index = parts_.grid.indexAt(position);
    if (!index.isValid() || !parts_.grid.CommitEdit()) {
        return;
    }
    // A click into a selected row keeps the selection, for what the menu does to the selected rows.
    const bool selected = parts_.grid.selectionModel()->rowIntersectsSelection(index.row());
    parts_.grid.selectionModel()->setCurrentIndex(
        index, selected ? QItemSelectionModel::NoUpdate : QItemSelectionModel::ClearAndSelect);
    parts_.model.SetCurrentRow(index.row());
    row_ = index.row();
    key_ = KeyOfRow(row_);
    historyItem_->setEnabled(key_ && history_.HasHistory(*key_));
    ShowLastSeen(row_, ValueOfRow(row_, "mac").value_or(std::string()));
    rowMenu_->popup(parts_.grid.viewport()->mapToGlobal(position));
}

void InventoryHistory::ShowLastSeen(int row, const std::string& mac) {
    const store::InventoryDataset& query = parts_.query;
    const int ipField = query.FieldIndex("ip");
    const std::string ip = ipField >= 0 ? query.DisplayText(static_cast<std::size_t>(row),
                                                            static_cast<std::size_t>(ipField))
                                        : std::string();
    std::optional<inventory::SeenRecord> seen;
    try {
        seen = seen_.Of(mac, ip);
    } catch (const std::exception&) {
        seen.reset();  // the menu still opens; it cannot tell then
    }
    if (seen && !seen->onlineTime.empty()) {
        lastOnlineItem_->setText(FromUtf8("最近在线：") + FromGbk(seen->onlineTime) +
                                 QStringLiteral("  ") + FromGbk(seen->address));
    } else {
        lastOnlineItem_->setText(FromUtf8("最近在线：从未在线"));
    }
    const std::string reported =
        seen && !seen->reportTime.empty() ? seen->reportTime : std::string();
    lastReportItem_->setText(FromUtf8("最近提交：") +
                             (reported.empty() ? FromUtf8("无记录") : FromGbk(reported)));
}

void InventoryHistory::HistoryItemClick() {
    if (!key_ || KeyOfRow(row_) != key_) {
        throw std::runtime_error(kRowGone);
    }
    OpenPcWindow(row_, PcHistoryTab::TabTitle());
}

void InventoryHistory::DetailsItemClick() {
    if (!key_ || KeyOfRow(row_) != key_) {
        throw std::runtime_error(kRowGone);
    }
    OpenPcWindow(row_);
}

PcWindow& InventoryHistory::OpenPcWindow(int row, std::string_view tab) {
    const std::optional<PcWindowSubject> pc = SubjectOfRow(row);
    if (!pc) {
        throw std::runtime_error(kRowGone);
    }
    return windows_->Open(parts_.grid.window(), *pc, tab);
}

void InventoryHistory::Restore(const PcWindowSubject& pc,
                               const std::vector<store::HistoryEntry>& entries) {
    const std::string& kNothingPending =
        u8"该行有尚未保存的修改，表格中的值不是库中最新的值，无法恢复。请先保存或取消修改，再恢复原值。"_gbk;
    const std::string& kNothingToDo = u8"所选记录的原值与表格中的值相同，没有需要恢复的内容。"_gbk;
    const std::string& kNoColumn = u8"所选记录的列不在表格中，没有可恢复的内容。"_gbk;
    if (!parts_.grid.CommitEdit()) {
        return;
    }
    const int shownRow = RowOfKey(pc.key);
    if (shownRow < 0) {
        throw std::runtime_error(kRowGone);
    }
    for (const store::HistoryEntry& entry : entries) {
        if (entry.oldValueCut) {
            throw std::runtime_error(kCutValueRefused);
        }
    }
    store::InventoryDataset& query = parts_.query;
    const auto row = static_cast<std::size_t>(shownRow);
    // Whether the row had changes of its own before: then its values may
    // predate the report that the entries record.
    const bool pendingBefore = query.Status(row) != store::InventoryDataset::RowStatus::Unchanged;
    std::size_t restored = 0;
    std::size_t known = 0;
    for (const store::HistoryEntry& entry : entries) {
        const int field = query.FieldIndex(entry.column);
        if (field < 0) {
            continue;
        }
        ++known;
        if (query.Value(row, static_cast<std::size_t>(field)) == entry.oldValue) {
            continue;
        }
        parts_.model.SetFieldValue(shownRow, field, entry.oldValue);
        ++restored;
        for (int c = 0; c < InventoryModel::kColumnCount; ++c) {
            if (parts_.model.FieldOfColumn(c) == field) {
                parts_.grid.setCurrentIndex(parts_.model.index(shownRow, c));
            }
        }
    }
    if (restored == 0) {
        parts_.host.Dialog().ShowInformation(known == 0      ? kNoColumn
                                             : pendingBefore ? kNothingPending
                                                             : kNothingToDo);
    }
}

}  // namespace vantrel::app
