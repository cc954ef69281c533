#include "HistoryWindow.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "ColumnTitles.h"
#include "Controls.h"
#include "Gbk.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "PcWindowTable.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

const std::string& kEmpty = u8"（空）"_gbk;
const std::string& kEllipsis = u8"…"_gbk;
const std::string& kMore = u8"仅显示最近的 "_gbk;
const std::string& kEntries = u8" 条"_gbk;
const std::vector<std::string_view> kTitles = {u8"列"_gbk, u8"原值"_gbk, u8"新值"_gbk, u8"时间"_gbk,
                                               u8"地址"_gbk};
const std::vector<int> kWidths = {90, 230, 230, 140, 110};
// Bytes of a value the list shows; the entry keeps the whole value.
constexpr std::size_t kShownBytes = 200;

}  // namespace

HistoryWindow::HistoryWindow(QWidget* parent, TabHost& host, Restore restore)
    : QWidget(parent),
      restore_(std::move(restore)),
      historyList_(Named(new PcWindowTable(this, kTitles, kWidths), "HistoryList")),
      moreLabel_(Named(new QLabel(this), "MoreLabel")),
      restoreButton_(Named(new QPushButton(FromUtf8("恢复原值"), this),
                           "RestoreButton")) {  // 恢复原值
    setObjectName(QStringLiteral("HistoryWindow"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(historyList_, 1);
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(moreLabel_, 1);
    buttons->addWidget(restoreButton_);
    layout->addLayout(buttons);
    restoreButton_->setEnabled(false);
    connect(historyList_, &QTableWidget::itemSelectionChanged, this,
            &HistoryWindow::SelectionChanged);
    ConnectClicks(host, {{restoreButton_, [this] { RestoreButtonClick(); }}});
}

void HistoryWindow::ShowPage(store::IpHistory::Page page) {
    entries_ = std::move(page.entries);
    moreLabel_->setText(page.more ? FromGbk(kMore + std::to_string(entries_.size()) + kEntries)
                                  : QString());
    FillList();
}

std::string HistoryWindow::ShownValue(const store::FieldValue& value) {
    if (!value || value->empty()) {
        return kEmpty;
    }
    if (value->size() <= kShownBytes) {
        return *value;
    }
    return std::string(text::CutAtCharBoundary(*value, kShownBytes)) + kEllipsis;
}

void HistoryWindow::FillList() {
    historyList_->clearSelection();
    historyList_->setRowCount(0);
    for (const store::HistoryEntry& entry : entries_) {
        historyList_->AddRow({std::string(inventory::GridTitleOf(entry.column)),
                              ShownValue(entry.oldValue), ShownValue(entry.newValue), entry.time,
                              entry.address});
    }
    SelectionChanged();
}

void HistoryWindow::SelectionChanged() {
    restoreButton_->setEnabled(!historyList_->selectionModel()->selectedRows().isEmpty());
}

void HistoryWindow::RestoreButtonClick() {
    std::vector<int> rows;
    for (const QModelIndex& index : historyList_->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());  // newest first
    std::vector<store::HistoryEntry> chosen;
    std::set<std::string> columns;
    for (int row : rows) {
        const store::HistoryEntry& entry = entries_.at(static_cast<std::size_t>(row));
        if (columns.insert(text::AsciiLower(entry.column)).second) {
            chosen.push_back(entry);
        }
    }
    if (!chosen.empty()) {
        restore_(chosen);
    }
}

}  // namespace vantrel::app
