#pragma once
// The search bar of the inventory tab and its handlers: the field and
// operator boxes, the text, 查询, 全部数据 and 刷新, and the sort behind a
// click on a grid title. They work on the rows ADOQuery1 has loaded and
// never change the database.

#include <string>

#include "TInventoryParts.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace vantrel::app {

class TInventorySearch {
  public:
    // Creates ComboBox1, ComboBox3, Edit1, Button1, Button6, Button10 and
    // the hidden ComboBox2 in the command bar `panel` and connects them.
    TInventorySearch(QWidget* panel, const TInventoryParts& parts);

    // Filters by the field chosen in ComboBox1, equal to or containing the
    // text of Edit1, and reports the count. An empty text, or one space,
    // clears the filter without a message.
    void Button1Click();
    // Clears the filter, reloads the rows and reports their count.
    void Button6Click();
    // Clears the filter and reloads the rows.
    void Button10Click();
    // Sorts ascending by the field the clicked column shows.
    void DBGridEh1TitleClick(int column);

    // The condition a search sets: field='text' for the operator "=" (the
    // box reading 等于, or "=" typed), field like '%text%' for any other.
    static std::string Condition(const std::string& field, const std::string& op,
                                 const std::string& text);

  private:
    int SearchFieldIndex() const;
    void Requery();
    void ShowCount();

    store::TADOQuery1& query_;
    TDBGridEh& grid_;
    TInventoryModel& model_;
    TTabHost& host_;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QComboBox* ComboBox3;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button6;
    QPushButton* Button10;
};

}  // namespace vantrel::app
