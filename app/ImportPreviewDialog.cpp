#include "ImportPreviewDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ColumnTitles.h"
#include "Controls.h"
#include "Dialogs.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "ImportError.h"
#include "ImportLimits.h"
#include "ImportMessages.h"
#include "InventoryMerge.h"
#include "IpColumns.h"
#include "StoreError.h"

namespace vantrel::app {

namespace {

QString Number(std::size_t n) {
    return QString::number(static_cast<qulonglong>(n));
}

}  // namespace

ImportPreviewDialog::ImportPreviewDialog(QWidget* parent, std::string path,
                                         store::InventoryDatabase& connection, Dialogs& dialogs)
    : QDialog(parent), path_(std::move(path)), connection_(connection), dialogs_(dialogs) {
    setObjectName(QStringLiteral("importPreview"));
    setWindowTitle(FromUtf8("导入 ") + FromGbk(import::messages::FileName(path_)));
    resize(900, 620);
    auto* layout = new QVBoxLayout(this);

    auto* sheetRow = new QHBoxLayout;
    sheetLabel_ = new QLabel(FromUtf8("工作表："), this);
    sheetRow->addWidget(sheetLabel_);
    sheetBox_ = Named(new QComboBox(this), "sheetBox");
    sheetRow->addWidget(sheetBox_, 1);
    layout->addLayout(sheetRow);
    sheetBox_->setEnabled(false);
    sheetBox_->setVisible(false);
    sheetLabel_->setVisible(false);

    auto* tableTitle = new QLabel(FromUtf8("前 20 行（第一行选择每一列导入到哪一项）："), this);
    layout->addWidget(tableTitle);
    table_ = Named(new QTableWidget(this), "previewTable");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(table_, 1);

    counts_ = Named(new QLabel(FromUtf8("正在读取…"), this), "countsLabel");
    counts_->setWordWrap(true);
    layout->addWidget(counts_);
    problems_ = Named(new QListWidget(this), "problemList");
    problems_->setMaximumHeight(110);
    layout->addWidget(problems_);

    auto* choices = new QHBoxLayout;
    update_ = Named(new QRadioButton(FromUtf8("更新已有记录"), this), "updateExistingChoice");
    onlyAdd_ = Named(new QRadioButton(FromUtf8("只添加新记录"), this), "onlyAddChoice");
    update_->setChecked(true);
    choices->addWidget(update_);
    choices->addWidget(onlyAdd_);
    choices->addStretch(1);
    progress_ = Named(new QProgressBar(this), "readProgress");
    progress_->setRange(0, 1000);
    progress_->setMinimumWidth(220);
    choices->addWidget(progress_);
    importButton_ = Named(new QPushButton(FromUtf8("导入"), this), "importButton");
    cancelButton_ = Named(new QPushButton(FromUtf8("取消"), this), "cancelImportButton");
    importButton_->setAutoDefault(false);
    cancelButton_->setAutoDefault(false);
    choices->addWidget(importButton_);
    choices->addWidget(cancelButton_);
    layout->addLayout(choices);

    connect(importButton_, &QPushButton::clicked, this, [this] { Start(Pass::Write); });
    connect(cancelButton_, &QPushButton::clicked, this, &ImportPreviewDialog::reject);
    connect(update_, &QRadioButton::toggled, this, [this] { Start(Pass::Count); });
    connect(sheetBox_, &QComboBox::activated, this, [this] { Start(Pass::Preview); });
    UpdateButtons();
    Start(Pass::Preview);
}

ImportPreviewDialog::~ImportPreviewDialog() {
    Stop();
}

QComboBox* ImportPreviewDialog::MappingBox(std::size_t column) const {
    return column < mappingBoxes_.size() ? mappingBoxes_[column] : nullptr;
}

void ImportPreviewDialog::reject() {
    Stop();  // a write under way rolls back
    QDialog::reject();
}

void ImportPreviewDialog::Stop() {
    // A pass stopped delivers nothing more, not even its end.
    worker_.Cancel();
    worker_.Wait();
}

void ImportPreviewDialog::Start(Pass pass) {
    if (pass != Pass::Preview && !previewShown_) {
        return;
    }
    Stop();
    running_ = pass;
    busy_ = true;
    const std::size_t sheet =
        sheetBox_->currentIndex() > 0 ? static_cast<std::size_t>(sheetBox_->currentIndex()) : 0;
    progress_->setValue(0);
    progress_->setFormat(FromUtf8("正在读取…"));
    if (pass == Pass::Preview) {
        previewShown_ = false;
    }
    UpdateButtons();
    worker_.Start(
        [this, pass, sheet, mapping = Mapping(), update = update_->isChecked()](
            const Worker::Control& control) { return Work(pass, sheet, mapping, update, control); },
        [this](system::TaskOutcome<PassResult>& outcome) { Finished(outcome); },
        [this](const ReadProgress& read) { ShowProgress(read.rows, read.fraction); });
}

ImportPreviewDialog::PassResult ImportPreviewDialog::Work(Pass pass, std::size_t sheet,
                                                          const import::ColumnMapping& mapping,
                                                          bool update,
                                                          const Worker::Control& control) {
    PassResult result;
    if (pass == Pass::Preview) {
        result.preview = import::ReadPreview(path_, sheet);
        return result;
    }
    store::InventoryMerge merge(connection_);
    import::RunOptions options;
    options.updateExisting = update;
    options.write = pass == Pass::Write;
    options.address = import::HistoryAddress(import::messages::FileName(path_));
    options.cancel = control.CancelFlag();
    options.progress = [&control](std::size_t rows, double fraction) {
        control.Report({rows, fraction});
    };
    result.counts = import::RunImport(path_, sheet, mapping, merge, options);
    return result;
}

void ImportPreviewDialog::Finished(system::TaskOutcome<PassResult>& outcome) {
    std::string failure;
    try {
        PassResult& result = outcome.Get();
        if (result.preview) {
            ShowPreview(*result.preview);
        } else if (result.counts) {
            ShowCounts(*result.counts);
            if (running_ == Pass::Write) {
                result_ = *result.counts;
                accept();
            }
        }
    } catch (const import::ImportCancelled&) {
        failure.clear();
    } catch (const std::exception& error) {
        failure = error.what();
        if (failure.empty()) {
            failure = u8"导入失败"_gbk;
        }
    }
    if (!failure.empty()) {
        Failed(failure);
    }
    // Showing the preview starts the count: that pass runs on.
    if (!worker_.Running()) {
        busy_ = false;
        UpdateButtons();
    }
}

void ImportPreviewDialog::ShowPreview(const import::SheetPreview& preview) {
    preview_ = preview;
    if (sheetBox_->count() == 0) {
        for (const std::string& name : preview.sheets) {
            sheetBox_->addItem(FromGbk(name));
        }
    }
    // The choice of sheet only where a workbook has several.
    sheetBox_->setEnabled(preview.sheets.size() > 1);
    sheetBox_->setVisible(preview.sheets.size() > 1);
    sheetLabel_->setVisible(preview.sheets.size() > 1);

    const std::size_t width = [&] {
        std::size_t w = preview.titles.size();
        for (const auto& row : preview.rows) {
            w = std::max(w, row.size());
        }
        return w;
    }();
    table_->clear();
    table_->setColumnCount(static_cast<int>(width));
    table_->setRowCount(static_cast<int>(preview.rows.size() + 1));
    QStringList titles;
    for (std::size_t c = 0; c < width; ++c) {
        titles << (c < preview.titles.size() ? FromGbk(preview.titles[c]) : QString());
    }
    table_->setHorizontalHeaderLabels(titles);
    QStringList rowTitles{FromUtf8("导入到")};
    for (std::size_t r = 0; r < preview.rows.size(); ++r) {
        rowTitles << Number(preview.titleRow + r + 1);
    }
    table_->setVerticalHeaderLabels(rowTitles);
    mappingBoxes_.clear();
    for (std::size_t c = 0; c < width; ++c) {
        auto* box = Named(new QComboBox(table_), "columnMapping");
        box->setProperty("fileColumn", static_cast<qulonglong>(c));
        box->addItem(FromUtf8("不导入"));
        for (std::size_t target = 0; target < import::kMappedColumns; ++target) {
            box->addItem(FromGbk(import::MappedTitle(target)));  // ip's, then the asset fields
        }
        const auto mapped = c < preview.mapping.size() ? preview.mapping[c] : std::nullopt;
        box->setCurrentIndex(mapped ? static_cast<int>(*mapped) + 1 : 0);
        connect(box, &QComboBox::activated, this, [this] { Start(Pass::Count); });
        table_->setCellWidget(0, static_cast<int>(c), box);
        mappingBoxes_.push_back(box);
    }
    for (std::size_t r = 0; r < preview.rows.size(); ++r) {
        for (std::size_t c = 0; c < preview.rows[r].size(); ++c) {
            table_->setItem(static_cast<int>(r + 1), static_cast<int>(c),
                            new QTableWidgetItem(FromGbk(preview.rows[r][c])));
        }
    }
    table_->resizeColumnsToContents();
    previewShown_ = true;
    // The counts come while the administrator looks at the preview.
    Start(Pass::Count);
}

void ImportPreviewDialog::ShowCounts(const import::ImportCounts& counts) {
    // The same texts as the command-line import prints.
    counts_->setText(FromGbk(import::CountsLine(counts)));
    problems_->clear();
    for (const std::string& line : import::RowLines(counts)) {
        problems_->addItem(FromGbk(line));
    }
    progress_->setValue(1000);
    progress_->setFormat(FromUtf8("已读 %1 行").arg(Number(counts.rows)));
}

void ImportPreviewDialog::ShowProgress(std::size_t rows, double fraction) {
    progress_->setValue(static_cast<int>(fraction * 1000));
    progress_->setFormat(FromUtf8("已读 %1 行").arg(Number(rows)));
}

void ImportPreviewDialog::Failed(const std::string& message) {
    // A file that cannot be read through cannot be imported; a write that
    // failed (a full disk) may be tried again.
    const bool fatal = running_ != Pass::Write;
    counts_->setText(FromUtf8("未能读取：") + FromGbk(message));
    dialogs_.ShowError(message);
    if (fatal) {
        QDialog::reject();
    }
}

import::ColumnMapping ImportPreviewDialog::Mapping() const {import::ColumnMapping mapping;
for (const QComboBox* box : mappingBoxes_) {
    const int index = box->currentIndex();
    mapping.push_back(index > 0 ? std::optional<std::size_t>(static_cast<std::size_t>(index - 1))
                                : std::nullopt);
}
return mapping;
}  // namespace vantrel::app

void ImportPreviewDialog::UpdateButtons() {
    const bool writing = running_ == Pass::Write && busy_;
    bool keyed = false;  // a row needs a MAC or a PC name to be imported
    for (const auto& column : Mapping()) {
        keyed = keyed || (column && *column < import::kAssetColumnBase &&
                          (protocol::kIpColumns[*column].name == "mac" ||
                           protocol::kIpColumns[*column].name == "pcname"));
    }
    importButton_->setEnabled(previewShown_ && keyed && !writing);
    update_->setEnabled(!writing);
    onlyAdd_->setEnabled(!writing);
    table_->setEnabled(!writing);
}

}  // namespace vantrel::app
