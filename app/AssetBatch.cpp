#include "AssetBatch.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <set>
#include <stdexcept>

#include "GbkLiteral.h"
#include "GbkText.h"
#include "InventoryDataset.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "IpHistory.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

using inventory::AssetField;
using inventory::kAssetFields;

std::string ValueOf(const store::InventoryDataset& query, std::size_t row, std::string_view name) {
    const int field = query.FieldIndex(name);
    return field < 0 ? std::string()
                     : query.Value(row, static_cast<std::size_t>(field)).value_or("");
}

}  // namespace

AssetBatch::AssetBatch(const InventoryParts& parts, store::InventoryDatabase& connection,
                       QMenu& menu)
    : QObject(&menu),
      parts_(parts),
      assets_(connection),
      item_(menu.addAction(QString::fromUtf8("批量设置资产信息…"))),
      ask_(&AssetBatch::AskInDialog) {
    item_->setObjectName(QStringLiteral("AssetBatchItem"));
    // Connected before the menu's own handler, which makes the row under
    // the mouse current: the selection is read first.
    connect(&parts_.grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { RememberRows(position); });
    connect(item_, &QAction::triggered, this,
            [this] { parts_.host.RunHandler([this] { ItemClick(); }); });
}

void AssetBatch::RememberRows(const QPoint& position) {
    keys_.clear();
    unsaved_ = 0;
    const QModelIndex under = parts_.grid.indexAt(position);
    const store::InventoryDataset& query = parts_.query;
    std::set<int> rows;
    if (parts_.grid.selectionModel() != nullptr) {
        for (const QModelIndex& index : parts_.grid.selectionModel()->selectedIndexes()) {
            rows.insert(index.row());
        }
    }
    if (under.isValid() && !rows.contains(under.row())) {
        rows = {under.row()};
    }
    for (const int row : rows) {
        if (!query.Active() || row < 0 || static_cast<std::size_t>(row) >= query.RecordCount()) {
            continue;
        }
        const auto r = static_cast<std::size_t>(row);
        if (query.Status(r) == store::InventoryDataset::RowStatus::Inserted) {
            ++unsaved_;
            continue;
        }
        keys_.push_back(store::HistoryKey(ValueOf(query, r, "mac"), ValueOf(query, r, "ip"),
                                          ValueOf(query, r, "pcname")));
    }
    item_->setEnabled(!keys_.empty() || unsaved_ > 0);
}

void AssetBatch::ItemClick() {
    if (unsaved_ > 0) {
        throw std::runtime_error(u8"所选行中有尚未保存的新行，请先保存，再设置资产信息"_gbk);
    }
    if (keys_.empty()) {
        return;
    }
    const std::vector<std::string> keys = keys_;
    if (const std::optional<Choice> choice = ask_(parts_.grid.window(), keys.size())) {
        Apply(keys, *choice);
    }
}

std::size_t AssetBatch::Apply(const std::vector<std::string>& keys, const Choice& choice) {
    std::string value = choice.value;
    const std::size_t changed = assets_.SetField(keys, choice.field, value);
    inventory::NormalizeAssetValue(choice.field, value);  // as stored, for the log
    parts_.host.AppendLog(u8"批量设置资产信息："_gbk + inventory::AssetTitle(choice.field) + " = " +
                          (value.empty() ? u8"（空）"_gbk : value) + u8"，选中 "_gbk +
                          std::to_string(keys.size()) + u8" 台，修改 "_gbk +
                          std::to_string(changed) + u8" 台"_gbk);
    if (changed > 0 && choice.field == AssetField::status && parts_.query.Active()) {
        // Retired rows are greyed or hidden by the records the filter holds.
        const store::FilterCondition& filter = parts_.query.Filter();
        parts_.query.SetFilter(
            filter.WithAssets(std::make_shared<const inventory::AssetIndex>(assets_.Index()),
                              filter.HideRetiredChosen() || filter.Assets() == nullptr));
        parts_.grid.Resync();
    }
    if (changed > 0) {
        parts_.host.InventoryReloaded();  // the overview's cards
    }
    return changed;
}

std::optional<AssetBatch::Choice> AssetBatch::AskInDialog(QWidget* parent, std::size_t pcs) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QString::fromUtf8("批量设置资产信息"));
    auto* fields = new QComboBox(&dialog);
    for (const inventory::AssetFieldInfo& info : kAssetFields) {
        fields->addItem(FromGbk(inventory::AssetTitle(info.field)));
    }
    auto* line = new QLineEdit(&dialog);
    auto* statuses = new QComboBox(&dialog);
    for (const std::string& status : inventory::AssetStatuses()) {
        statuses->addItem(FromGbk(status));
    }
    auto* reason = new QLabel(&dialog);
    reason->setStyleSheet(QStringLiteral("color: #b00000;"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("字段："), fields);
    form->addRow(QString::fromUtf8("值："), line);
    form->addRow(QString(), statuses);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QString::fromUtf8("设置所选 %1 台电脑的资产信息").arg(pcs)));
    layout->addLayout(form);
    layout->addWidget(reason);
    layout->addWidget(buttons);
    const auto field = [fields] {
        return kAssetFields[static_cast<std::size_t>(std::max(0, fields->currentIndex()))].field;
    };
    const auto showEditor = [&] {
        const bool status = field() == AssetField::status;
        line->setVisible(!status);
        statuses->setVisible(status);
        line->setPlaceholderText(kAssetFields[inventory::IndexOf(field())].isDate
                                     ? QStringLiteral("YYYY-MM-DD")
                                     : QString());
        reason->clear();
    };
    QObject::connect(fields, &QComboBox::currentIndexChanged, &dialog, showEditor);
    showEditor();
    Choice choice{AssetField::assetno, {}};
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        try {
            choice.field = field();
            choice.value =
                ToGbk(choice.field == AssetField::status ? statuses->currentText() : line->text());
            std::string value = choice.value;
            const std::string refused = inventory::NormalizeAssetValue(choice.field, value);
            if (!refused.empty()) {
                reason->setText(FromGbk(refused));  // refused where typed; the dialog stays
                return;
            }
        } catch (const GbkError& error) {
            reason->setText(FromGbk(error.what()));
            return;
        }
        dialog.accept();
    });
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return choice;
}

}  // namespace vantrel::app
