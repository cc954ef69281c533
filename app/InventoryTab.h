#pragma once
// The inventory tab: the inventory grid over the dataset with its context menu,
// the line above it that tells an overview choice, and the command bar below it with the search
// bar, the export button and the editing buttons. The tab creates and owns these controls and the
// dataset, and runs their handlers.

#include <QDialog>
#include <QPointer>
#include <memory>

#include "InventoryDataset.h"

class QFrame;
class QLabel;
class QPushButton;
class QTabWidget;
class QWidget;

namespace vantrel::store {
class InventoryDatabase;
}

namespace vantrel::app {

class FilterLine;
class GridPreviewDialog;
class LabelPrinting;
class InventoryGrid;
class InventoryEditing;
class InventoryHistory;
class InventoryModel;
class InventorySearch;
class ReportFollower;
class TabHost;

class InventoryTab {
  public:
    // Adds the inventory page to `pages`; the dataset reads through `connection`.
    InventoryTab(QTabWidget& pages, store::InventoryDatabase& connection, TabHost& host);
    // The grid lets go of its model before the model and the dataset go.
    ~InventoryTab();
    InventoryTab(const InventoryTab&) = delete;
    InventoryTab& operator=(const InventoryTab&) = delete;

    // Start-up: opens the dataset on table ip sorted by bm and shows its rows
    // once, sorted; also when the sort fails.
    void Open();

    // Exports the inventory grid to a file of the type chosen in the dialog.
    void Export();
    // Imports a spreadsheet or list chosen in a dialog, through its preview;
    // pending edits are settled first. Logs what it did and reloads the
    // rows with the search and sort kept.
    void Import();

    // 打印: opens the print preview of the grid as shown (not waiting for it).
    void Print();
    // 导出资产清单: the rows as shown with their asset fields, to an .xlsx file.
    void ExportAssetList();

    // The dataset's view changed: the inventory grid shows it anew with its cursor on
    // the dataset's current row.
    void DataSetChanged();
    // A PC's window saved what it edits of a PC (its asset record): the
    // retired rows are greyed and hidden anew at once, with the rows'
    // pending edits, the selection and the scroll position kept.
    void PcSaved();

    QWidget* Page() const { return page_; }
    store::InventoryDataset& Dataset() { return query_; }
    InventoryGrid& Grid() const { return *grid_; }
    InventoryModel& Model() const { return *model_; }
    // The search bar with its handlers, and the editing buttons with theirs.
    InventorySearch& Search() const { return *search_; }
    InventoryEditing& Editing() const { return *editing_; }
    // The grid's context menu and the change history it shows.
    InventoryHistory& History() const { return *history_; }
    // The grid following what reports store, and the line under the grid.
    ReportFollower& Follower() const { return *follower_; }
    QLabel* NewReportsNotice() const { return notice_; }
    // The line above the grid that tells an overview choice.
    FilterLine& ChoiceLine() const { return *filterLine_; }
    // 打印标签… in the grid's context menu; the open print preview, or null.
    LabelPrinting& Labels() const { return *labels_; }
    GridPreviewDialog* PrintPreview() const;

  private:
    void CreateGrid();

    TabHost& host_;
    store::InventoryDatabase& connection_;
    store::InventoryDataset query_;
    QWidget* page_;
    FilterLine* filterLine_ = nullptr;
    InventoryGrid* grid_ = nullptr;
    InventoryModel* model_ = nullptr;
    QFrame* panel_ = nullptr;
    std::unique_ptr<InventorySearch> search_;
    QPushButton* exportButton_ = nullptr;
    QPushButton* importButton_ = nullptr;
    QPushButton* printButton = nullptr;
    QPushButton* assetListButton = nullptr;
    InventoryEditing* editing_ = nullptr;  // a child of the command bar
    std::unique_ptr<InventoryHistory> history_;
    std::unique_ptr<LabelPrinting> labels_;
    QPointer<QDialog> printPreview_;  // a GridPreviewDialog
    QLabel* notice_ = nullptr;
    std::unique_ptr<ReportFollower> follower_;
};

}  // namespace vantrel::app
