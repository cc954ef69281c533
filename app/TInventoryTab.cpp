#include "TInventoryTab.h"

#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "Controls.h"
#include "GbkText.h"
#include "TDBGridEh.h"
#include "TDialogs.h"
#include "TExportHandlers.h"
#include "TInventoryEditing.h"
#include "TInventoryHistory.h"
#include "TInventoryModel.h"
#include "TInventorySearch.h"
#include "TTabHost.h"

namespace vantrel::app {

namespace {

constexpr int kPanelHeight = 36;
constexpr char kTabSheet1[] =  // 网内IP及电脑综合信息
    "\xcd\xf8\xc4\xda"
    "IP\xbc\xb0\xb5\xe7\xc4\xd4\xd7\xdb\xba\xcf\xd0\xc5\xcf\xa2";

}  // namespace

TInventoryTab::TInventoryTab(QTabWidget& pages, store::TADOConnection& connection, TTabHost& host)
    : host_(host), query_(connection), tabSheet_(Named(new QWidget(&pages), "TabSheet1")) {
    pages.addTab(tabSheet_, FromGbk(kTabSheet1));
    auto* layout = new QVBoxLayout(tabSheet_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    CreateGrid();
    layout->addWidget(grid_, 1);

    panel_ = Named(new QFrame(tabSheet_), "Panel1");
    panel_->setFrameShape(QFrame::StyledPanel);
    panel_->setFixedHeight(kPanelHeight);
    layout->addWidget(panel_);

    const TInventoryParts parts{query_, *grid_, *model_, host_};
    search_ = std::make_unique<TInventorySearch>(panel_, parts);
    Button7 = MakeButton(panel_, "Button7",
                         "\xb5\xbc\xb3\xf6"
                         "EXCEL",
                         419, 5, 68);  // 导出EXCEL
    ConnectClicks(host_, {{Button7, [this] { Button7Click(); }}});
    editing_ = new TInventoryEditing(panel_, parts);
    history_ = std::make_unique<TInventoryHistory>(parts, connection);
}

TInventoryTab::~TInventoryTab() {
    history_.reset();
    // The model goes before the view: a model's end drops every index into
    // it at once, whereas an accessibility client's cached cells, torn down
    // with their view, would each search the model's index list (minutes
    // for a large grid). The view must not read the dataset afterwards.
    grid_->setModel(nullptr);
    delete model_;
}

void TInventoryTab::CreateGrid() {
    grid_ = Named(new TDBGridEh(tabSheet_), "DBGridEh1");
    model_ =
        Named(new TInventoryModel(
                  query_, [this](std::string_view message) { host_.Dialogs().ShowError(message); },
                  tabSheet_),
              "DataSource1");
    grid_->setModel(model_);
    grid_->Bind(model_, &host_.Dialogs(),
                [this](const std::function<void()>& operation) { host_.RunHandler(operation); });
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Cells are clipped at their edge, not shortened with an ellipsis.
    grid_->setTextElideMode(Qt::ElideNone);
    grid_->setWordWrap(false);
    grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    QHeaderView* titles = grid_->horizontalHeader();
    titles->setFont(FaceFont(13));
    titles->setSectionsClickable(true);
    titles->setSortIndicatorShown(false);
    titles->setHighlightSections(false);
    titles->setDefaultAlignment(Qt::AlignCenter);
    for (int c = 0; c < TInventoryModel::kColumnCount; ++c) {
        int width = TInventoryModel::Columns()[static_cast<std::size_t>(c)].width;
        if (width == 0) {
            // A date and time field: room for 18 digits, as grids size it.
            width = grid_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 18 + 4;
        }
        titles->resizeSection(c, width);
    }
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

void TInventoryTab::Open() {
    query_.Open();
    try {
        query_.SetSort("bm");
    } catch (...) {
        DataSetChanged();
        throw;
    }
    DataSetChanged();
}

void TInventoryTab::DataSetChanged() {
    grid_->Resync();
}

void TInventoryTab::Button7Click() {
    ExportInventory(host_.Dialogs(), *grid_, *model_, query_);
}

}  // namespace vantrel::app
