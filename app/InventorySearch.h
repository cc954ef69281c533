#pragma once
// The search bar of the inventory tab and its handlers: the field and
// operator boxes, the text, 查询, 全部数据 and 刷新, and the sort behind a
// click on a grid title. They work on the rows the dataset has loaded and
// never change the database.

#include <memory>
#include <string>

#include "InventoryParts.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vantrel::inventory {
class OverviewRules;
struct OverviewSelection;
}  // namespace vantrel::inventory

namespace vantrel::app {

class InventorySearch {
  public:
    // Creates fieldCombo, matchCombo, searchTextEdit, searchButton, showAllButton and
    // refreshButton in the command bar `panel` and connects them.
    InventorySearch(QWidget* panel, const InventoryParts& parts);

    // Filters by the field chosen in fieldCombo, equal to or containing the
    // text of searchTextEdit, and reports the count. An empty text, or one space,
    // clears the filter without a message.
    void Search();
    // Clears the filter, reloads the rows and reports their count.
    void ShowAll();
    // Clears the filter and reloads the rows.
    void Refresh();
    // Reloads the rows keeping the search and the sort: after an import.
    void Reload() { Requery(); }
    // Sorts ascending by the field the clicked column shows.
    void SortByColumn(int column);
    // Shows the rows an overview click chose and reports their count. A
    // department is a search the bar shows; any other choice filters by the
    // overview's rules and the bar says so in `words` (GBK) until the next
    // search, 全部数据 or 刷新.
    void ShowSelection(const inventory::OverviewSelection& selection,
                       std::shared_ptr<const inventory::OverviewRules> rules,
                       const std::string& words);

    // The condition a search sets: field='text' for the operator "=" (the
    // box reading 等于, or "=" typed), field like '%text%' for any other.
    static std::string Condition(const std::string& field, const std::string& op,
                                 const std::string& text);

  private:
    int SearchFieldIndex() const;
    void Requery();
    void ShowCount();
    // Drops an overview choice and the words the bar shows for it.
    void ClearSelection();

    store::InventoryDataset& query_;
    InventoryGrid& grid_;
    InventoryModel& model_;
    TabHost& host_;
    QComboBox* fieldCombo;
    QComboBox* matchCombo;
    QLineEdit* searchTextEdit;
    QPushButton* searchButton;
    QPushButton* showAllButton;
    QPushButton* refreshButton;
};

}  // namespace vantrel::app
