#include "InventoryHistory.h"

#include <QAction>
#include <QMenu>
#include <exception>
#include <optional>
#include <stdexcept>

#include "AssetBatch.h"
#include "Dialogs.h"
#include "Gbk.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "HistoryWindow.h"
#include "InventoryDataset.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "IpHistory.h"
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
      HistoryItem_(RowMenu_->addAction(FromGbk(kHistoryItem))),
      LastOnlineItem_(nullptr),
      LastReportItem_(nullptr),
      seen_(connection) {
    new AssetBatch(parts_, connection, *RowMenu_);  // 批量设置资产信息…, owned by the menu
    RowMenu_->addSeparator();
    LastOnlineItem_ = RowMenu_->addAction(QString());
    LastReportItem_ = RowMenu_->addAction(QString());
    // They tell; there is nothing to choose.
    LastOnlineItem_->setEnabled(false);
    LastReportItem_->setEnabled(false);
    LastOnlineItem_->setObjectName(QStringLiteral("LastOnlineItem"));
    LastReportItem_->setObjectName(QStringLiteral("LastReportItem"));
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

std::string InventoryHistory::CaptionOfRow(int row) const {
    const std::string& kCaption = u8"变更记录：PC名 "_gbk;
    const std::string& kUser = u8"，使用者 "_gbk;
    const std::string& kMac = u8"，MAC "_gbk;
    const std::string& kEmpty = u8"（空）"_gbk;
    const std::string& kNoMac = u8"未取得"_gbk;
    const std::string& kEllipsis = u8"…"_gbk;
    // A title holds a line: long values are cut.
    auto shown = [&](const store::FieldValue& value, const std::string& none) {
        constexpr std::size_t kMaxBytes = 40;
        if (!value || value->empty()) {
            return none;
        }
        if (value->size() <= kMaxBytes) {
            return *value;
        }
        return std::string(text::CutAtCharBoundary(*value, kMaxBytes)) + kEllipsis;
    };
    return kCaption + shown(ValueOfRow(row, "pcname"), kEmpty) + kUser +
           shown(ValueOfRow(row, "username"), kEmpty) + kMac +
           shown(ValueOfRow(row, "mac"), kNoMac);
}

void InventoryHistory::ShowRowMenu(const QPoint& position) {
    const QModelIndex index = parts_.grid.indexAt(position);
    if (!index.isValid() || !parts_.grid.CommitEdit()) {
        return;
    }
    parts_.grid.setCurrentIndex(index);
    parts_.model.SetCurrentRow(index.row());
    row_ = index.row();
    key_ = KeyOfRow(row_);
    HistoryItem_->setEnabled(key_ && history_.HasHistory(*key_));
    ShowLastSeen(row_, ValueOfRow(row_, "mac").value_or(std::string()));
    RowMenu_->popup(parts_.grid.viewport()->mapToGlobal(position));
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
        LastOnlineItem_->setText(QString::fromUtf8("最近在线：") + FromGbk(seen->onlineTime) +
                                 QStringLiteral("  ") + FromGbk(seen->address));
    } else {
        LastOnlineItem_->setText(QString::fromUtf8("最近在线：从未在线"));
    }
    const std::string reported =
        seen && !seen->reportTime.empty() ? seen->reportTime : std::string();
    LastReportItem_->setText(QString::fromUtf8("最近提交：") +
                             (reported.empty() ? QString::fromUtf8("无记录") : FromGbk(reported)));
}

void InventoryHistory::HistoryItemClick() {
    if (!key_ || KeyOfRow(row_) != key_) {
        throw std::runtime_error(kRowGone);
    }
    delete window_.data();
    window_ = new HistoryWindow(
        parts_.grid.window(), parts_.host, CaptionOfRow(row_),
        history_.HistoryOf(*key_, kListedEntries),
        [this](const std::vector<store::HistoryEntry>& entries) { Restore(entries); });
    window_->open();
}

void InventoryHistory::Restore(const std::vector<store::HistoryEntry>& entries) {
    const std::string& kNothingPending =
        u8"该行有尚未保存的修改，表格中的值不是库中最新的值，无法恢复。请先保存或取消修改，再恢复原值。"_gbk;
    const std::string& kNothingToDo = u8"所选记录的原值与表格中的值相同，没有需要恢复的内容。"_gbk;
    const std::string& kNoColumn = u8"所选记录的列不在表格中，没有可恢复的内容。"_gbk;
    if (!key_ || KeyOfRow(row_) != key_) {
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
    const auto row = static_cast<std::size_t>(row_);
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
        parts_.model.SetFieldValue(row_, field, entry.oldValue);
        ++restored;
        for (int c = 0; c < InventoryModel::kColumnCount; ++c) {
            if (parts_.model.FieldOfColumn(c) == field) {
                parts_.grid.setCurrentIndex(parts_.model.index(row_, c));
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
