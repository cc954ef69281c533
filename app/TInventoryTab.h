#pragma once
// The inventory tab: DBGridEh1 over ADOQuery1 with its context menu, and
// the command bar below it with the search bar, the export button and the
// editing buttons. The tab
// creates and owns these controls and the dataset, and runs their handlers.

#include <memory>

#include "TADOQuery1.h"

class QFrame;
class QPushButton;
class QTabWidget;
class QWidget;

namespace vantrel::store {
class TADOConnection;
}

namespace vantrel::app {

class TDBGridEh;
class TInventoryEditing;
class TInventoryHistory;
class TInventoryModel;
class TInventorySearch;
class TTabHost;

class TInventoryTab {
  public:
    // Adds TabSheet1 to `pages`; ADOQuery1 reads through `connection`.
    TInventoryTab(QTabWidget& pages, store::TADOConnection& connection, TTabHost& host);
    // The grid lets go of its model before the model and the dataset go.
    ~TInventoryTab();
    TInventoryTab(const TInventoryTab&) = delete;
    TInventoryTab& operator=(const TInventoryTab&) = delete;

    // Start-up: opens ADOQuery1 on table ip sorted by bm and shows its rows
    // once, sorted; also when the sort fails.
    void Open();

    // Exports DBGridEh1 to a file of the type chosen in the dialog.
    void Button7Click();

    // ADOQuery1's view changed: DBGridEh1 shows it anew with its cursor on
    // the dataset's current row.
    void DataSetChanged();

    QWidget* TabSheet1() const { return tabSheet_; }
    store::TADOQuery1& ADOQuery1() { return query_; }
    TDBGridEh& DBGridEh1() const { return *grid_; }
    TInventoryModel& DataSource1() const { return *model_; }
    // The search bar with its handlers, and the editing buttons with theirs.
    TInventorySearch& Search() const { return *search_; }
    TInventoryEditing& Editing() const { return *editing_; }
    // The grid's context menu and the change history it shows.
    TInventoryHistory& History() const { return *history_; }

  private:
    void CreateGrid();

    TTabHost& host_;
    store::TADOQuery1 query_;
    QWidget* tabSheet_;
    TDBGridEh* grid_ = nullptr;
    TInventoryModel* model_ = nullptr;
    QFrame* panel_ = nullptr;
    std::unique_ptr<TInventorySearch> search_;
    QPushButton* Button7 = nullptr;
    TInventoryEditing* editing_ = nullptr;  // a child of the command bar
    std::unique_ptr<TInventoryHistory> history_;
};

}  // namespace vantrel::app
