#pragma once
// The search bar of the inventory tab and its handlers: the field and
// operator boxes, the text, 查询, 全部数据 and 刷新, the sort behind a
// click on a grid title, and the overview's choices shown on the grid with
// the filter line above it. They work on the rows the dataset has loaded
// and never change the database.

#include <string>

#include "FilterCondition.h"
#include "InventoryParts.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vantrel::store {
class InventoryDatabase;
}

namespace vantrel::app {

class FilterLine;

class InventorySearch {
  public:
    // Creates fieldCombo_, matchCombo_, searchTextEdit_, searchButton_, showAllButton_ and
    // refreshButton_ in the command bar `panel` and connects them; an
    // overview choice is told in `line`.
    // With `connection`, the box 隐藏报废 (on at start) leaves retired PCs
    // out of every search and choice, and the grid greys them.
    InventorySearch(QWidget* panel, const InventoryParts& parts, FilterLine& line,
                    store::InventoryDatabase* connection = nullptr);

    // Filters by the field chosen in fieldCombo_, equal to or containing the
    // text of searchTextEdit_, and reports the count. An empty text, or one space,
    // clears the filter without a message.
    void Search();
    // Clears the filter, reloads the rows and reports their count.
    void ShowAll();
    // Clears the filter and reloads the rows.
    void Refresh();
    // Reloads the rows keeping the search and the sort: after an import.
    void Reload() { Requery(); }
    // The asset records read anew into the filter in force (after they
    // changed, or once the rows are loaded); the current row stays.
    void ApplyAssets();
    // Sorts ascending by the field the clicked column shows.
    void SortByColumn(int column);
    // Shows the rows an overview click chose and reports their count. A
    // field condition (a department) is a search the bar shows as well;
    // the filter line says what was chosen until its ✕, the next search,
    // 全部数据 or 刷新.
    void ShowChoice(const store::FilterCondition& condition);
    // ✕ of the filter line: every loaded row again, the bar as it is.
    void EndChoice();

    // The condition a search makes: equals for the operator 等于 (or "="
    // typed), contains for any other.
    static store::FilterCondition Condition(const std::string& field, const std::string& op,
                                            const std::string& text);

  private:
    // The place chosen in fieldCombo_: a column of table ip in the order of
    // the search list, then 型号 and 序列号. Throws when the box holds typed
    // text rather than a chosen item.
    std::size_t SearchPlace() const;
    void Requery();
    void ShowCount();
    // `condition` with the asset records read now and the box's choice.
    store::FilterCondition WithAssets(const store::FilterCondition& condition) const;
    // Puts `condition` in force; the filter line goes unless it is kept.
    void Apply(const store::FilterCondition& condition);
    // 全部数据 and 刷新: every row, reloaded.
    void Reset(bool tellCount);

    store::InventoryDataset& query_;
    InventoryGrid& grid_;
    InventoryModel& model_;
    TabHost& host_;
    FilterLine& line_;
    QComboBox* fieldCombo_;
    QComboBox* matchCombo_;
    QLineEdit* searchTextEdit_;
    QPushButton* searchButton_;
    QPushButton* showAllButton_;
    QPushButton* refreshButton_;
    store::InventoryDatabase* connection_;
    QCheckBox* hideRetiredBox_;
};

}  // namespace vantrel::app
