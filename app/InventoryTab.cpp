#include "InventoryTab.h"

#include <QDate>
#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "AssetListCommand.h"
#include "Controls.h"
#include "Dialogs.h"
#include "ExportHandlers.h"
#include "FilterLine.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "GridPages.h"
#include "GridPlace.h"
#include "GridPreviewDialog.h"
#include "ImportMessages.h"
#include "ImportPreviewDialog.h"
#include "InventoryEditing.h"
#include "InventoryGrid.h"
#include "InventoryHistory.h"
#include "InventoryModel.h"
#include "InventorySearch.h"
#include "LabelPrinting.h"
#include "PcWindows.h"
#include "ReportFollower.h"
#include "TabHost.h"

namespace vantrel::app {

namespace {

constexpr int kPanelHeight = 36;
const std::string& kPageTitle = u8"网内IP及电脑综合信息"_gbk;

}  // namespace

InventoryTab::InventoryTab(QTabWidget& pages, store::InventoryDatabase& connection, TabHost& host)
    : host_(host),
      connection_(connection),
      query_(connection),
      page_(Named(new QWidget(&pages), "inventoryPage")) {
    pages.addTab(page_, FromGbk(kPageTitle));
    auto* layout = new QVBoxLayout(page_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // An overview choice is told above the grid, with ✕ to end it.
    filterLine_ =
        Named(new FilterLine(page_, [this] { host_.RunHandler([this] { search_->EndChoice(); }); }),
              "filterLine");
    layout->addWidget(filterLine_);
    CreateGrid();
    layout->addWidget(grid_, 1);
    notice_ = Named(new QLabel(page_), "newReportsNotice");
    notice_->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(notice_);

    panel_ = Named(new QFrame(page_), "commandBar");
    panel_->setFrameShape(QFrame::StyledPanel);
    panel_->setFixedHeight(kPanelHeight);
    layout->addWidget(panel_);

    const InventoryParts parts{query_, *grid_, *model_, host_};
    search_ = std::make_unique<InventorySearch>(panel_, parts, *filterLine_, &connection);
    exportButton_ = MakeButton(panel_, "exportButton", u8"导出EXCEL"_gbk, 419, 5, 68);
    editing_ = new InventoryEditing(panel_, parts);
    // After 保存: the places before it are the grid's own.
    importButton_ = MakeButton(panel_, "importButton", u8"导入"_gbk, 768, 5, 44);
    printButton = MakeButton(panel_, "printButton", u8"打印"_gbk, 816, 5, 44);
    assetListButton = MakeButton(panel_, "assetListButton", u8"导出资产清单"_gbk, 864, 5, 92);
    ConnectClicks(host_, {{exportButton_, [this] { Export(); }},
                          {importButton_, [this] { Import(); }},
                          {printButton, [this] { Print(); }},
                          {assetListButton, [this] { ExportAssetList(); }}});
    history_ = std::make_unique<InventoryHistory>(parts, connection);
    QObject::connect(&history_->Windows(), &PcWindows::Saved, page_,
                     [this] { host_.RunHandler([this] { PcSaved(); }); });
    labels_ = std::make_unique<LabelPrinting>(parts, connection, *history_->RowMenu());
    follower_ = std::make_unique<ReportFollower>(parts, *notice_);
}

InventoryTab::~InventoryTab() {
    follower_.reset();
    delete printPreview_.data();
    labels_.reset();
    history_.reset();
    // The model goes before the view: a model's end drops every index into
    // it at once, whereas an accessibility client's cached cells, torn down
    // with their view, would each search the model's index list (minutes
    // for a large grid). The view must not read the dataset afterwards.
    grid_->setModel(nullptr);
    delete model_;
}

void InventoryTab::CreateGrid() {
    grid_ = Named(new InventoryGrid(page_), "inventoryGrid");
    model_ = Named(
        new InventoryModel(
            query_, [this](std::string_view message) { host_.Dialog().ShowError(message); }, page_),
        "inventoryModel");
    grid_->setModel(model_);
    grid_->Bind(model_, &host_.Dialog(),
                [this](const std::function<void()>& operation) { host_.RunHandler(operation); });
    grid_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    QHeaderView* titles = grid_->horizontalHeader();
    // Rows are selected for labels; a click on a title sorts and leaves the
    // current cell and the selection alone, as it did with single selection.
    QObject::disconnect(titles, &QHeaderView::sectionPressed, grid_, nullptr);
    QObject::disconnect(titles, &QHeaderView::sectionEntered, grid_, nullptr);
    titles->setFont(FaceFont(13));
    titles->setSectionsClickable(true);
    titles->setHighlightSections(false);
    titles->setDefaultAlignment(Qt::AlignCenter);
    grid_->SizeColumns();
    // The row indicator column: the current row and each row's pending
    // state, no numbers.
    QHeaderView* indicator = grid_->verticalHeader();
    indicator->setSectionResizeMode(QHeaderView::Fixed);
    indicator->setDefaultSectionSize(kGridRowHeight);
    indicator->setMinimumSectionSize(kGridRowHeight);
    indicator->setFixedWidth(24);
    indicator->setHighlightSections(false);
    // The dataset's current row follows the grid's.
    QObject::connect(
        grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, grid_,
        [this](const QModelIndex& current) {
            host_.RunHandler([this, current] { model_->SetCurrentRow(current.row()); });
        });
}

void InventoryTab::Open() {
    query_.Open();
    try {
        search_->ApplyAssets();  // 隐藏报废 from the start
        query_.SetSort("bm");
    } catch (...) {
        DataSetChanged();
        throw;
    }
    DataSetChanged();
}

void InventoryTab::DataSetChanged() {
    grid_->Resync();
}

void InventoryTab::PcSaved() {
    // An edit the grid refuses stays open; the rows follow at the next search.
    if (!query_.Active() || !grid_->CommitEdit()) {
        return;
    }
    const GridPlace place = GridPlace::Take(*grid_, query_);
    const inventory::AssetIndex* before = query_.Filter().Assets();
    search_->ApplyAssets();
    if (query_.Filter().Assets() == before) {
        return;  // the records say what they said: nothing to grey or hide anew
    }
    grid_->Resync();
    place.Restore(*grid_, query_);
}

void InventoryTab::Export() {
    SaveInventory(host_.Dialog(), *grid_, *model_, query_);
}

GridPreviewDialog* InventoryTab::PrintPreview() const {
    return static_cast<GridPreviewDialog*>(printPreview_.data());
}

void InventoryTab::Print() {
    if (!grid_->CommitEdit()) {
        return;
    }
    delete printPreview_.data();
    printPreview_ = new GridPreviewDialog(
        page_->window(), host_,
        std::make_unique<GridPages>(*grid_,
                                    QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
    printPreview_->setAttribute(Qt::WA_DeleteOnClose);
    printPreview_->open();
}

void InventoryTab::ExportAssetList() {
    if (!grid_->CommitEdit()) {
        return;
    }
    SaveAssetList(host_.Dialog(), query_, connection_);
}

void InventoryTab::Import() {
    if (!grid_->CommitEdit() || !editing_->SettleBeforeImport()) {
        return;
    }
    const std::optional<std::string> path = host_.Dialog().AskOpenFile({
        "Excel 文件 (*.xlsx *.xls)",
        "文本文件 (*.csv *.txt)",
        "网页文件 (*.htm *.html)",
    });
    if (!path) {
        return;
    }
    ImportPreviewDialog preview(page_->window(), *path, connection_, host_.Dialog());
    if (preview.exec() != QDialog::Accepted) {
        return;
    }
    host_.AppendLog(import::SummaryLine(import::messages::FileName(*path), preview.Result()));
    search_->Reload();
    // The overview counts the imported rows too.
    host_.InventoryReloaded();
}

}  // namespace vantrel::app
