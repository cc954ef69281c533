#pragma once
// Search, show all, refresh and sort of the inventory tab: the handlers
// behind 查询, 全部数据, 刷新 and a click on a grid title. They work on the
// rows ADOQuery1 has loaded and never change the database.

#include <string>

namespace vantrel::app {

class TForm1;

class TInventorySearch {
  public:
    explicit TInventorySearch(TForm1& form) : form_(form) {}

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

    TForm1& form_;
};

}  // namespace vantrel::app
