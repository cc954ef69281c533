// Search, show all, refresh and sort on the inventory tab, driven through
// the real command bar, grid and column titles.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "InventoryFixture.h"
#include "InventorySearch.h"

namespace vantrel::app::test {
namespace {

const std::string kCount2 =
    "\xb9\xb2\xd3\xd0"
    "2\xcc\xf5\xbc\xc7\xc2\xbc";                   // 共有2条记录
const std::string kEquals = "\xb5\xc8\xd3\xda";    // 等于
const std::string kContains = "\xb0\xfc\xba\xac";  // 包含

std::string CountNotice(std::size_t n) {
    return "\xb9\xb2\xd3\xd0" + std::to_string(n) + "\xcc\xf5\xbc\xc7\xc2\xbc";
}

class InventorySearchTest : public InventoryFixture {
  protected:
    // Chooses a search field by its index, an operator text and a search text.
    void Search(int field, const std::string& op, const QString& text) {
        MainWindow& form = Form();
        Control<QComboBox>(form, "fieldCombo")->setCurrentIndex(field);
        Control<QComboBox>(form, "matchCombo")->setEditText(FromGbk(op));
        Control<QLineEdit>(form, "searchTextEdit")->setText(text);
        Click(Control<QPushButton>(form, "searchButton"));
    }
};

TEST(SearchCondition, OperatorTextPicksTheForm) {
    EXPECT_EQ(InventorySearch::Condition("bm", kEquals, kFinance), "bm='" + kFinance + "'");
    EXPECT_EQ(InventorySearch::Condition("IP", kContains, "192.168"), "IP like '%192.168%'");
    EXPECT_EQ(InventorySearch::Condition("dh", "=", "1"), "dh='1'");
    EXPECT_EQ(InventorySearch::Condition("dh", "like", "1"), "dh like '%1%'");
    EXPECT_EQ(InventorySearch::Condition("dh", "~", "1"), "dh like '%1%'");
    EXPECT_EQ(InventorySearch::Condition("", "=", "1"), "='1'");
}

TEST_F(InventorySearchTest, EachSearchFieldFiltersItsOwnColumn) {
    MainWindow& form = OpenInventory();
    const char* fields[] = {"bm",   "username", "pcname", "mac",    "ip",   "cpu", "board",
                            "bios", "pctype",   "os",     "rammax", "djsj", "dh"};
    for (int i = 0; i < 13; ++i) {
        Search(i, kEquals, QStringLiteral("x"));
        EXPECT_EQ(form.Inventory().Dataset().Filter(), std::string(fields[i]) + "='x'") << i;
    }
}

TEST_F(InventorySearchTest, EachFormFiltersTheLoadedRowsAndReportsTheCount) {
    MainWindow& form = OpenInventory();
    Search(0, kEquals, FromGbk(kFinance));  // 部门 等于 财务部
    EXPECT_EQ(form.Inventory().Dataset().Filter(), "bm='" + kFinance + "'");
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"zhang", "wang"}));
    EXPECT_EQ(dialogs.informations, std::vector<std::string>{kCount2});
    // The first row of the new view is current, in the grid too.
    EXPECT_EQ(form.Inventory().Dataset().RecNo(), 0);
    EXPECT_EQ(Grid(form)->currentIndex().row(), 0);

    Search(4, kContains, QStringLiteral("192.168"));  // IP地址 包含: field ip
    EXPECT_EQ(form.Inventory().Dataset().Filter(), "ip like '%192.168%'");
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"zhang", "wang"}));
    // The same search again: same view, the notice again.
    Search(4, kContains, QStringLiteral("192.168"));
    EXPECT_EQ(dialogs.informations, (std::vector<std::string>{kCount2, kCount2, kCount2}));

    // "=" typed gives the exact form, any other typed text the contains form.
    Search(1, "=", QStringLiteral("li"));
    EXPECT_EQ(form.Inventory().Dataset().Filter(), "username='li'");
    Search(1, "about", QStringLiteral("a"));
    EXPECT_EQ(form.Inventory().Dataset().Filter(), "username like '%a%'");
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"zhao", "zhang", "wang"}));

    // Two spaces are searched for like any text.
    Search(1, kEquals, QStringLiteral("  "));
    EXPECT_EQ(form.Inventory().Dataset().Filter(), "username='  '");
    EXPECT_EQ(dialogs.informations.back(), CountNotice(0));
    EXPECT_EQ(Model(form)->rowCount(), 0);

    // An empty text, or one space, clears the filter without a message.
    const std::size_t notices = dialogs.informations.size();
    Search(1, kEquals, QStringLiteral(" "));
    EXPECT_EQ(form.Inventory().Dataset().Filter(), "");
    EXPECT_EQ(Model(form)->rowCount(), 4);
    Search(3, kEquals, QString());
    EXPECT_EQ(dialogs.informations.size(), notices);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventorySearchTest, RefusedConditionsReachTheErrorBoxAndKeepTheFilter) {
    MainWindow& form = OpenInventory();
    Search(0, kEquals, FromGbk(kFinance));
    dialogs.informations.clear();

    // A quote in the text breaks the condition.
    Search(1, kEquals, QStringLiteral("o'brien"));
    // Text typed into the field box selects no field: the condition starts
    // with " like".
    Control<QComboBox>(form, "fieldCombo")->setCurrentIndex(0);
    Control<QComboBox>(form, "fieldCombo")->setEditText(QStringLiteral("nothing"));
    Control<QLineEdit>(form, "searchTextEdit")->setText(QStringLiteral("x"));
    Control<QComboBox>(form, "matchCombo")->setEditText(FromGbk(kContains));
    Click(Control<QPushButton>(form, "searchButton"));
    // Text that GBK cannot hold is refused before any condition is built.
    Search(1, kEquals, QStringLiteral("\U0001F600"));

    ASSERT_EQ(dialogs.errors.size(), 3u);
    EXPECT_NE(dialogs.errors[2].find("U+1F600"), std::string::npos);
    EXPECT_TRUE(dialogs.informations.empty());
    EXPECT_EQ(form.Inventory().Dataset().Filter(), "bm='" + kFinance + "'");
    EXPECT_EQ(Model(form)->rowCount(), 2);
}

TEST_F(InventorySearchTest, SearchPostsTheCellBeingEditedAndDropsAnUntouchedNewRow) {
    MainWindow& form = OpenInventory();
    Type(1, kRemark, QStringLiteral("keep me"));  // li's row, editor still open
    Search(0, kEquals, QStringLiteral("b"));
    EXPECT_EQ(Column(kRemark), std::vector<std::string>{"keep me"});
    EXPECT_FALSE(form.Inventory().Dataset().Editing());  // posted into the batch
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 1u);
    EXPECT_EQ(Db("select count(*) from ip where bz is not null"), "0");  // not saved

    Click(Control<QPushButton>(form, "addButton"));  // 增加: an empty new row
    ASSERT_EQ(Model(form)->rowCount(), 2);
    Search(0, kEquals, QStringLiteral("b "));
    Search(0, kEquals, QStringLiteral("b"));
    EXPECT_EQ(Model(form)->rowCount(), 1);
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 1u);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventorySearchTest, ShowAllAndRefreshReloadAndKeepThePendingBatch) {
    MainWindow& form = OpenInventory();
    Enter(0, kRemark, QStringLiteral("mine"));  // zhao's row
    Search(1, kEquals, QStringLiteral("zhao"));
    // A report stores a new PC behind the dataset's back.
    RunSql(options.databasePath, "insert into ip (bm, username, mac) values ('a', 'new', 'd5');");
    dialogs.informations.clear();

    Click(Control<QPushButton>(form, "showAllButton"));  // 全部数据
    EXPECT_EQ(form.Inventory().Dataset().Filter(), "");
    EXPECT_EQ(dialogs.informations, std::vector<std::string>{CountNotice(5)});
    EXPECT_EQ(Model(form)->rowCount(), 5);
    EXPECT_EQ(form.Inventory().Dataset().RecNo(), 0);
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 1u);
    // The search inputs stay as they were.
    EXPECT_EQ(Control<QLineEdit>(form, "searchTextEdit")->text(), QStringLiteral("zhao"));
    EXPECT_EQ(Control<QComboBox>(form, "fieldCombo")->currentIndex(), 1);

    Search(1, kEquals, QStringLiteral("zhao"));
    RunSql(options.databasePath, "insert into ip (username, mac) values ('newer', 'd6');");
    dialogs.informations.clear();
    Click(Control<QPushButton>(form, "refreshButton"));  // 刷新: the same without the notice
    EXPECT_EQ(form.Inventory().Dataset().Filter(), "");
    EXPECT_EQ(Model(form)->rowCount(), 6);
    EXPECT_TRUE(dialogs.informations.empty());
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 1u);
    const auto remarks = Column(kRemark);
    EXPECT_EQ(std::count(remarks.begin(), remarks.end(), "mine"), 1);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventorySearchTest, TitleClickSortsAscendingEveryTimeWithinTheFilter) {
    MainWindow& form = OpenInventory();
    ClickTitle(kUser);
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"li", "wang", "zhang", "zhao"}));
    ClickTitle(kUser);  // no toggle
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"li", "wang", "zhang", "zhao"}));
    EXPECT_EQ(form.Inventory().Dataset().Sort(), "username");

    ClickTitle(13);  // 登记时间: oldest first
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"wang", "li", "zhao", "zhang"}));

    // The sort keeps the current record and the filter in force.
    Search(0, kEquals, FromGbk(kFinance));
    Grid(form)->setCurrentIndex(Model(form)->index(1, kUser));
    const std::string current = Cell(1, kUser);
    ClickTitle(kIp);
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"zhang", "wang"}));
    EXPECT_EQ(Cell(static_cast<int>(form.Inventory().Dataset().RecNo()), kUser), current);
    EXPECT_EQ(Grid(form)->currentIndex().row(), form.Inventory().Dataset().RecNo());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventorySearchTest, FailedRequeryClosesTheDatasetAndTheWindowGoesOn) {
    MainWindow& form = OpenInventory();
    RunSql(options.databasePath, "drop table ip;");
    Click(Control<QPushButton>(form, "refreshButton"));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find("ip"), std::string::npos) << dialogs.errors[0];
    EXPECT_FALSE(form.Inventory().Dataset().Active());
    EXPECT_EQ(Model(form)->rowCount(), 0);
    ClickTitle(kUser);  // nothing to sort: refused, nothing harmful
    EXPECT_EQ(dialogs.errors.size(), 2u);
}

TEST_F(InventorySearchTest, ClosedDatasetRefusesEveryOperationInTheErrorBox) {
    MainWindow& form = Open();  // no db.mdb
    form.show();
    dialogs.errors.clear();
    Control<QLineEdit>(form, "searchTextEdit")->setText(QStringLiteral("x"));
    for (QPushButton* button :
         {Control<QPushButton>(form, "searchButton"), Control<QPushButton>(form, "showAllButton"),
          Control<QPushButton>(form, "refreshButton"), Control<QPushButton>(form, "addButton"),
          Control<QPushButton>(form, "deleteButton"),
          Control<QPushButton>(form, "cancelEditsButton")}) {
        Click(button);
    }
    ClickTitle(kBm);
    ASSERT_EQ(dialogs.errors.size(), 7u);
    for (const std::string& error : dialogs.errors) {
        EXPECT_EQ(error, "Operation is not allowed when the dataset is closed.");
    }
    Click(Control<QPushButton>(form, "saveButton"));  // 保存
    EXPECT_EQ(dialogs.informations.back(),
              "\xb1\xa3\xb4\xe6\xca\xa7\xb0\xdc\xa3\xa1");  // 保存失败！
    EXPECT_EQ(dialogs.errors.size(), 7u);
}

}  // namespace
}  // namespace vantrel::app::test
