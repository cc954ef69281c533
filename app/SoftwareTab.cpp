#include "SoftwareTab.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "Controls.h"
#include "Dialogs.h"
#include "Gbk.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "Licences.h"
#include "OnlineListExport.h"
#include "SoftwareCatalog.h"
#include "SoftwareTabModel.h"
#include "TabHost.h"
#include "TextTableCsv.h"

namespace vantrel::app {

namespace {

const std::string& kExportFilter = u8"Excel 工作簿 (*.xlsx)|*.xlsx|逗号分隔 (*.csv)|*.csv"_gbk;

bool EndsWith(const std::string& path, std::string_view suffix) {
    return path.size() >= suffix.size() &&
           text::EqualsIgnoringAsciiCase(std::string_view(path).substr(path.size() - suffix.size()),
                                         suffix);
}

}  // namespace

struct SoftwareTab::Result {
    store::SoftwareCatalog catalog;
    std::string error;
};

SoftwareTab::SoftwareTab(QTabWidget& pages, store::InventoryDatabase& connection, TabHost& host,
                         DrillDown drillDown)
    : pages_(pages), connection_(connection), host_(host), drillDown_(std::move(drillDown)) {
    CreateControls();
    // Counted whenever the page comes to the front: reports change it all
    // the time, and counting costs the window nothing.
    connect(&pages_, &QTabWidget::currentChanged, this, [this](int index) {
        if (pages_.widget(index) == page_) {
            Refresh();
        }
    });
}

SoftwareTab::~SoftwareTab() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

void SoftwareTab::CreateControls() {
    page_ = Named(new QWidget(&pages_), "softwarePage");
    auto* layout = new QVBoxLayout(page_);
    auto* bar = new QHBoxLayout();
    filterEdit_ = Named(new QLineEdit(page_), "softwareFilter");
    filterEdit_->setPlaceholderText(QString::fromUtf8("按名称或发行商筛选"));
    filterEdit_->setClearButtonEnabled(true);
    allPackages_ = Named(new QCheckBox(QString::fromUtf8("显示全部软件包"), page_), "allPackages");
    refreshButton_ = Named(new QPushButton(QString::fromUtf8("刷新"), page_), "softwareRefresh");
    exportButton_ = Named(new QPushButton(QString::fromUtf8("导出"), page_), "softwareExport");
    patternEdit_ = Named(new QLineEdit(page_), "licencePattern");
    patternEdit_->setPlaceholderText(QString::fromUtf8("授权：软件名或模式，如 Microsoft Office*"));
    seatsBox_ = Named(new QSpinBox(page_), "licenceSeats");
    seatsBox_->setRange(0, 1000000);
    setLicenceButton_ =
        Named(new QPushButton(QString::fromUtf8("设定授权数"), page_), "setLicence");
    bar->addWidget(filterEdit_, 2);
    bar->addWidget(allPackages_);
    bar->addWidget(refreshButton_);
    bar->addWidget(exportButton_);
    bar->addSpacing(16);
    bar->addWidget(patternEdit_, 2);
    bar->addWidget(seatsBox_);
    bar->addWidget(setLicenceButton_);
    layout->addLayout(bar);

    model_ = new SoftwareTabModel(this);
    model_->SetSeatsWriter([this](const store::CatalogLine& line,
                                  std::optional<std::int64_t> seats) { WriteSeats(line, seats); });
    view_ = Named(new QTableView(page_), "softwareView");
    view_->setModel(model_);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked |
                           QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    view_->verticalHeader()->hide();
    view_->horizontalHeader()->setSectionResizeMode(SoftwareTabModel::kName, QHeaderView::Stretch);
    view_->setColumnWidth(SoftwareTabModel::kPublisher, 180);
    view_->setColumnWidth(SoftwareTabModel::kVersions, 160);
    layout->addWidget(view_);
    statusLabel_ = Named(new QLabel(page_), "softwareStatus");
    layout->addWidget(statusLabel_);

    connect(filterEdit_, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
    connect(allPackages_, &QCheckBox::toggled, this, [this] { ApplyFilter(); });
    connect(refreshButton_, &QPushButton::clicked, this, [this] { Refresh(); });
    connect(exportButton_, &QPushButton::clicked, this,
            [this] { host_.RunHandler([this] { Export(); }); });
    connect(setLicenceButton_, &QPushButton::clicked, this,
            [this] { host_.RunHandler([this] { SetPatternLicence(); }); });
    connect(view_, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == SoftwareTabModel::kVersions) {
            ChooseVersion(index.row());
        } else if (index.column() != SoftwareTabModel::kSeats) {
            host_.RunHandler([this, row = index.row()] { DrillDownTo(row); });
        }
    });
    pages_.addTab(page_, QString::fromUtf8("软件"));
}

void SoftwareTab::Refresh() {
    if (counting_) {
        again_ = true;
        return;
    }
    StartCount();
}

void SoftwareTab::StartCount() {
    if (worker_.joinable()) {
        worker_.join();
    }
    counting_ = true;
    again_ = false;
    statusLabel_->setText(QString::fromUtf8("正在统计…"));
    worker_ = std::thread([this] {
        auto result = std::make_shared<Result>();
        try {
            result->catalog = store::ReadSoftwareCatalog(connection_);
        } catch (const std::exception& error) {
            result->error = error.what();
        }
        QMetaObject::invokeMethod(
            this, [this, result] { ShowResult(result); }, Qt::QueuedConnection);
    });
}

void SoftwareTab::WaitForCount() {
    while (counting_) {
        if (worker_.joinable()) {
            worker_.join();
        }
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
}

void SoftwareTab::ShowResult(const std::shared_ptr<Result>& result) {
    counting_ = false;
    error_ = result->error;
    if (error_.empty()) {
        model_->SetCatalog(std::move(result->catalog));
    }
    ShowStatus();
    if (again_) {
        StartCount();
    }
}

void SoftwareTab::ShowStatus() {
    if (!error_.empty()) {
        statusLabel_->setText(FromGbk(error_));
        return;
    }
    const store::SoftwareCatalog& catalog = model_->Catalog();
    std::string status = u8"共 "_gbk + std::to_string(catalog.lines.size()) +
                         u8" 种软件，显示 "_gbk + std::to_string(model_->rowCount()) +
                         u8" 种；"_gbk + std::to_string(catalog.listedPcs) +
                         u8" 台电脑送来了软件清单"_gbk;
    if (const std::size_t shortLines = model_->ShortLines(); shortLines > 0) {
        status += u8"；"_gbk + std::to_string(shortLines) + u8" 种软件授权不足"_gbk;
    }
    statusLabel_->setText(FromGbk(status));
}

void SoftwareTab::ApplyFilter() {
    std::string filter;
    try {
        filter = ToGbk(filterEdit_->text());
    } catch (const GbkError&) {
        filter = "\x01";  // a character GBK lacks is in no program's name
    }
    model_->SetFilter(std::move(filter), allPackages_->isChecked());
    ShowStatus();
}

void SoftwareTab::DrillDownTo(int row, std::optional<std::string> version) {
    if (row < 0 || row >= model_->rowCount()) {
        return;
    }
    const store::CatalogLine& line = model_->LineAt(row);
    auto keys = std::make_shared<const std::set<std::string>>(
        store::KeysHaving(connection_, line.name, version));
    std::string description = u8"安装了 "_gbk + line.name;
    if (version && !version->empty()) {
        description += " " + *version;
    }
    description += u8" 的电脑"_gbk;
    drillDown_(store::FilterCondition::OfKeys(std::move(keys), std::move(description)));
}

void SoftwareTab::ChooseVersion(int row) {
    const store::CatalogLine& line = model_->LineAt(row);
    if (line.versions.size() < 2) {
        host_.RunHandler([this, row] { DrillDownTo(row); });
        return;
    }
    QMenu menu(view_);
    menu.addAction(QString::fromUtf8("全部版本"));
    for (const std::string& version : line.versions) {
        menu.addAction(FromGbk(version.empty() ? u8"（无版本号）"_gbk : version))
            ->setData(FromGbk(version));
    }
    const QAction* chosen = menu.exec(QCursor::pos());
    if (chosen == nullptr) {
        return;
    }
    std::optional<std::string> version;
    if (chosen->data().isValid()) {
        version = ToGbk(chosen->data().toString());
    }
    host_.RunHandler([this, row, version] { DrillDownTo(row, version); });
}

void SoftwareTab::WriteSeats(const store::CatalogLine& line, std::optional<std::int64_t> seats) {
    host_.RunHandler([&] {
        // A line under a pattern edits that pattern's seats; otherwise the
        // licence names the program itself.
        const std::string pattern = line.licence ? line.licence->pattern : line.name;
        store::Licences licences(connection_);
        if (seats) {
            licences.SetSeats(pattern, *seats);
        } else {
            licences.Remove(pattern);
        }
        ReloadLicences();
    });
}

void SoftwareTab::SetPatternLicence() {
    const std::string pattern = ToGbk(patternEdit_->text());
    if (text::TrimBlanks(pattern).empty()) {
        host_.Dialog().ShowInformation(u8"请先填写授权的软件名或模式（如 Microsoft Office*）"_gbk);
        return;
    }
    store::Licences(connection_).SetSeats(pattern, seatsBox_->value());
    ReloadLicences();
    host_.AppendLog(u8"授权："_gbk + std::string(text::TrimBlanks(pattern)) + " " +
                    std::to_string(seatsBox_->value()) + u8" 套"_gbk);
}

void SoftwareTab::ReloadLicences() {
    model_->SetLicences(store::Licences(connection_).All());
    ShowStatus();
}

void SoftwareTab::Export() {
    SaveDialogRequest request;
    request.filter = kExportFilter;
    request.filterIndex = 1;
    request.fileName = "software";
    request.defaultExtension = "xlsx";
    const std::optional<SaveDialogAnswer> answer = host_.Dialog().AskSaveFile(request);
    if (!answer) {
        return;
    }
    std::string path = answer->path;
    const bool csv =
        EndsWith(path, ".csv") || (!EndsWith(path, ".xlsx") && answer->filterIndex == 2);
    if (!EndsWith(path, csv ? ".csv" : ".xlsx")) {
        path += csv ? ".csv" : ".xlsx";
    }
    const auto rows = model_->ShownTexts();
    if (csv) {
        exporter::WriteCsvTable(path, rows);
    } else {
        exporter::WriteOnlineList(exporter::SheetFormat::Xlsx, path, rows);
    }
    host_.AppendLog(u8"软件清单已导出到 "_gbk + path);
}

}  // namespace vantrel::app
