#include "LabelPrinting.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSettings>
#include <QToolBar>
#include <algorithm>
#include <set>

#include "AssetSnapshot.h"
#include "Dialogs.h"
#include "InventoryDataset.h"
#include "InventoryGrid.h"
#include "IpHistory.h"
#include "QrCode.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

const QString kSheetKey = QStringLiteral("labels/sheet");

std::unique_ptr<QSettings> OpenSettings(const QString& file) {
    if (file.isEmpty()) {
        return std::make_unique<QSettings>(QStringLiteral("Vantrel"), QStringLiteral("Vantrel"));
    }
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
}

}  // namespace

LabelPrinting::LabelPrinting(const InventoryParts& parts, store::InventoryDatabase& connection,
                             QMenu& menu, QString settingsFile)
    : parts_(parts),
      connection_(connection),
      settingsFile_(std::move(settingsFile)),
      printItem_(menu.addAction(QString::fromUtf8("打印标签…"))) {
    printItem_->setObjectName(QStringLiteral("PrintLabelsItem"));
    connect(printItem_, &QAction::triggered, this,
            [this] { parts_.host.RunHandler([this] { ShowPreview(); }); });
}

LabelPrinting::~LabelPrinting() {
    // The preview paints from the printer and the labels: it goes first.
    delete preview_.data();
}

LabelSheet LabelPrinting::ChosenSheet() const {
    return LabelLayout::SheetOfKey(OpenSettings(settingsFile_)->value(kSheetKey).toString())
        .value_or(LabelSheet::A4By3x8);
}

void LabelPrinting::ChooseSheet(LabelSheet sheet) {
    const auto settings = OpenSettings(settingsFile_);
    settings->setValue(kSheetKey, LabelLayout::KeyOf(sheet));
    settings->sync();
}

std::vector<LabelData> LabelPrinting::SelectedLabels() const {
    std::set<int> rows;
    for (const QModelIndex& index : parts_.grid.selectionModel()->selectedIndexes()) {
        rows.insert(index.row());
    }
    if (rows.empty() && parts_.grid.currentIndex().isValid()) {
        rows.insert(parts_.grid.currentIndex().row());
    }
    const store::InventoryDataset& query = parts_.query;
    const store::AssetSnapshot assets = store::AssetSnapshot::Read(connection_);
    auto value = [&query](int row, std::string_view name) {
        const int field = query.FieldIndex(name);
        return field < 0
                   ? std::optional<std::string>()
                   : query.Value(static_cast<std::size_t>(row), static_cast<std::size_t>(field));
    };
    std::vector<LabelData> labels;
    for (int row : rows) {
        if (!query.Active() || row < 0 || static_cast<std::size_t>(row) >= query.RecordCount()) {
            continue;
        }
        const std::string mac = value(row, "mac").value_or("");
        const std::string pcName = value(row, "pcname").value_or("");
        const std::string key = store::HistoryKey(mac, value(row, "ip").value_or(""), pcName);
        LabelData label{assets.Of(key)[inventory::IndexOf(inventory::AssetField::assetno)], mac,
                        pcName, value(row, "bm").value_or("")};
        // A text too long for a code is refused before the preview paints.
        QrCode check(QrTextOf(label));
        labels.push_back(std::move(label));
    }
    return labels;
}

void LabelPrinting::ShowPreview() {
    if (!parts_.grid.CommitEdit()) {
        return;
    }
    std::vector<LabelData> labels = SelectedLabels();
    if (labels.empty()) {
        return;
    }
    delete preview_.data();
    labels_ = std::move(labels);
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    SetLabelPage(*printer_, LabelLayout::Of(ChosenSheet()));
    preview_ = new QPrintPreviewDialog(printer_.get(), parts_.grid.window());
    preview_->setObjectName(QStringLiteral("LabelPreview"));
    preview_->setAttribute(Qt::WA_DeleteOnClose);
    preview_->setWindowTitle(QString::fromUtf8("打印标签（%1 张）").arg(labels_.size()));
    connect(preview_, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) {
        parts_.host.RunHandler(
            [this, printer] { PaintLabels(*printer, LabelLayout::Of(ChosenSheet()), labels_); });
    });

    auto* sheets = new QComboBox(preview_);
    sheets->setObjectName(QStringLiteral("LabelSheetCombo"));
    for (LabelSheet sheet : {LabelSheet::A4By3x8, LabelSheet::A4By2x5, LabelSheet::Single50x30}) {
        sheets->addItem(LabelLayout::CaptionOf(sheet), LabelLayout::KeyOf(sheet));
    }
    sheets->setCurrentIndex(sheets->findData(LabelLayout::KeyOf(ChosenSheet())));
    if (auto* tools = preview_->findChild<QToolBar*>()) {
        tools->addSeparator();
        tools->addWidget(sheets);
    }
    connect(sheets, &QComboBox::currentIndexChanged, this, [this, sheets] {
        parts_.host.RunHandler([this, sheets] {
            const auto sheet = LabelLayout::SheetOfKey(sheets->currentData().toString());
            if (!sheet) {
                return;
            }
            ChooseSheet(*sheet);
            SetLabelPage(*printer_, LabelLayout::Of(*sheet));
            if (auto* view = preview_->findChild<QPrintPreviewWidget*>()) {
                view->updatePreview();
                view->fitInView();
            }
        });
    });
    preview_->resize(900, 700);
    preview_->open();
}

}  // namespace vantrel::app
