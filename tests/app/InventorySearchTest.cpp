// Search, show all, refresh, sort and an overview choice with its filter
// line on the inventory tab, driven through the real command bar, grid,
// column titles and ✕, on the tab alone.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include "FilterLine.h"
#include "FixedTime.h"
#include "GbkConvert.h"
#include "InventoryOverview.h"
#include "InventorySearch.h"
#include "InventoryTabFixture.h"
#include "NicMakers.h"

namespace vantrel::app::test {
namespace {

const std::string kCount2 =
    "\xb9\xb2\xd3\xd0"
    "2\xcc\xf5\xbc\xc7\xc2\xbc";                   // 共有2条记录
const std::string kEquals = "\xb5\xc8\xd3\xda";    // 等于
const std::string kContains = "\xb0\xfc\xba\xac";  // 包含
const std::string kNoField = text::Utf8ToGbk("请从列表中选择查询字段");

std::string CountNotice(std::size_t n) {
    return "\xb9\xb2\xd3\xd0" + std::to_string(n) + "\xcc\xf5\xbc\xc7\xc2\xbc";
}

class InventorySearchTest : public InventoryTabFixture {
  protected:
    // Chooses a search field by its index, an operator text and a search text.
    void Search(int field, const std::string& op, const QString& text) {
        QWidget& form = Page();
        Control<QComboBox>(form, "fieldCombo")->setCurrentIndex(field);
        Control<QComboBox>(form, "matchCombo")->setEditText(FromGbk(op));
        Control<QLineEdit>(form, "searchTextEdit")->setText(text);
        Click(Control<QPushButton>(form, "searchButton"));
    }

    // The rules of an overview count over no sightings, at a fixed time.
    std::shared_ptr<const inventory::OverviewRules> Rules() {
        return std::make_shared<const inventory::OverviewRules>(
            inventory::SeenIndex{}, makers, testsupport::LocalTime(2024, 3, 15, 12, 0, 0));
    }

    FilterLine& Line() { return Tab().ChoiceLine(); }

    const inventory::NicMakers makers;
};

TEST(SearchCondition, OperatorTextPicksTheMatch) {
    struct Case {
        std::string op;
        store::FieldMatch match;
    };
    const Case cases[] = {{kEquals, store::FieldMatch::Equals},
                          {"=", store::FieldMatch::Equals},
                          {kContains, store::FieldMatch::Contains},
                          {"like", store::FieldMatch::Contains},
                          {"~", store::FieldMatch::Contains}};
    for (const Case& c : cases) {
        const store::FilterCondition condition = InventorySearch::Condition("bm", c.op, "o'x");
        EXPECT_EQ(condition.Match(), c.match) << c.op;
        EXPECT_EQ(condition.Field(), "bm");
        EXPECT_EQ(condition.Text(), "o'x");
    }
}

TEST_F(InventorySearchTest, EachSearchFieldFiltersItsOwnColumn) {
    InventoryTab& tab = OpenTab();
    const char* fields[] = {"bm",   "username", "pcname", "mac",    "ip",   "cpu", "board",
                            "bios", "pctype",   "os",     "rammax", "djsj", "dh"};
    // li's row holds q0 ... q12, one in each searched column.
    std::string update = "update ip set ";
    for (int i = 0; i < 13; ++i) {
        update += std::string(i == 0 ? "" : ", ") + fields[i] + "='q" + std::to_string(i) + "'";
    }
    RunSql(options.databasePath, update + " where username='li'");
    Click(Control<QPushButton>(Page(), "refreshButton"));
    for (int i = 0; i < 13; ++i) {
        const QString value = QStringLiteral("Q%1").arg(i);
        Search(i, kEquals, value);
        EXPECT_EQ(tab.Model().rowCount(), 1) << fields[i];
        Search((i + 1) % 13, kEquals, value);  // the next field holds another value
        EXPECT_EQ(tab.Model().rowCount(), 0) << fields[i];
    }
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventorySearchTest, EachFormFiltersTheLoadedRowsAndReportsTheCount) {
    InventoryTab& tab = OpenTab();
    Search(0, kEquals, FromGbk(kFinance));  // 部门 等于 财务部
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"zhang", "wang"}));
    EXPECT_EQ(dialogs.informations, std::vector<std::string>{kCount2});
    // The first row of the new view is current, in the grid too.
    EXPECT_EQ(tab.Dataset().RecNo(), 0);
    EXPECT_EQ(tab.Grid().currentIndex().row(), 0);

    Search(4, kContains, QStringLiteral("192.168"));  // IP地址 包含
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"zhang", "wang"}));
    // The same search again: same view, the notice again.
    Search(4, kContains, QStringLiteral("192.168"));
    EXPECT_EQ(dialogs.informations, (std::vector<std::string>{kCount2, kCount2, kCount2}));
    Search(4, kEquals, QStringLiteral("192.168"));
    EXPECT_EQ(tab.Model().rowCount(), 0);

    // "=" typed is 等于, any other typed text 包含.
    Search(1, "=", QStringLiteral("LI"));
    EXPECT_EQ(Column(kUser), std::vector<std::string>{"li"});
    Search(1, "about", QStringLiteral("a"));
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"zhao", "zhang", "wang"}));

    // Two spaces are searched for like any text.
    Search(1, kEquals, QStringLiteral("  "));
    EXPECT_EQ(dialogs.informations.back(), CountNotice(0));
    EXPECT_EQ(tab.Model().rowCount(), 0);

    // An empty text, or one space, clears the filter without a message.
    const std::size_t notices = dialogs.informations.size();
    Search(1, kEquals, QStringLiteral(" "));
    EXPECT_TRUE(tab.Dataset().Filter().ShowsAll());
    EXPECT_EQ(tab.Model().rowCount(), 4);
    Search(3, kEquals, QString());
    EXPECT_EQ(dialogs.informations.size(), notices);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventorySearchTest, AQuoteInTheTextFindsTheRowsThatHoldIt) {
    OpenTab();
    RunSql(options.databasePath,
           "update ip set username='O''Neil' where mac='d2';"
           "update ip set username='o''''neil' where mac='d1';");
    Click(Control<QPushButton>(Page(), "refreshButton"));
    Search(1, kEquals, QStringLiteral("o'neil"));
    EXPECT_EQ(Column(kUser), std::vector<std::string>{"O'Neil"});
    Search(1, kContains, QStringLiteral("'"));
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"o''neil", "O'Neil"}));
    Search(1, kEquals, QStringLiteral("o''neil"));
    EXPECT_EQ(Column(kUser), std::vector<std::string>{"o''neil"});
    EXPECT_EQ(dialogs.informations.back(), CountNotice(1));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventorySearchTest, RefusedSearchesReachTheErrorBoxAndKeepTheFilter) {
    OpenTab();
    QWidget& form = Page();
    Search(0, kEquals, FromGbk(kFinance));
    dialogs.informations.clear();

    // Text typed into the field box selects no field.
    Control<QComboBox>(form, "fieldCombo")->setCurrentIndex(0);
    Control<QComboBox>(form, "fieldCombo")->setEditText(QStringLiteral("nothing"));
    Control<QLineEdit>(form, "searchTextEdit")->setText(QStringLiteral("x"));
    Control<QComboBox>(form, "matchCombo")->setEditText(FromGbk(kContains));
    Click(Control<QPushButton>(form, "searchButton"));
    // Text that GBK cannot hold is refused before any condition is made.
    Search(1, kEquals, QStringLiteral("\U0001F600"));

    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[0], kNoField + ".");
    EXPECT_NE(dialogs.errors[1].find("U+1F600"), std::string::npos);
    EXPECT_TRUE(dialogs.informations.empty());
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"zhang", "wang"}));
}

TEST_F(InventorySearchTest, AChoiceIsToldAboveTheGridUntilASearchAReloadOrItsCross) {
    InventoryTab& tab = OpenTab();
    QWidget& form = Page();
    const std::string words = text::Utf8ToGbk("统计概况：90 天未见");
    struct Case {
        const char* button;
        std::size_t rows;  // shown after the click
        bool notice;       // a count box after it
    };
    const Case cases[] = {
        {"searchButton", 1, true},  // the bar's own search: 使用者 等于 li
        {"showAllButton", 4, true},
        {"refreshButton", 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        tab.Search().ShowChoice(store::FilterCondition::OfOverview(
            {inventory::Dimension::NotSeen90, "", {}}, Rules(), words));
        // Not seen for 90 days before 2024-03-15: wang (2023-06-01).
        EXPECT_EQ(Column(kUser), std::vector<std::string>{"wang"});
        EXPECT_EQ(dialogs.informations.back(), CountNotice(1));
        EXPECT_TRUE(Line().Shown());
        EXPECT_EQ(ToGbk(Line().Text()), words);
        EXPECT_EQ(Control<QLineEdit>(form, "searchTextEdit")->text(), QString());
        EXPECT_EQ(Control<QComboBox>(form, "fieldCombo")->currentIndex(), 11);  // 登记时间

        Control<QComboBox>(form, "fieldCombo")->setCurrentIndex(1);
        Control<QLineEdit>(form, "searchTextEdit")->setText(QStringLiteral("li"));
        dialogs.informations.clear();
        Click(Control<QPushButton>(form, c.button));
        EXPECT_FALSE(Line().Shown());
        EXPECT_EQ(static_cast<std::size_t>(tab.Model().rowCount()), c.rows);
        EXPECT_EQ(dialogs.informations.size(), c.notice ? 1u : 0u);
    }

    // ✕ shows every loaded row without a box; the bar stays as it is.
    tab.Search().ShowChoice(
        store::FilterCondition::OfField("bm", store::FieldMatch::Equals, kFinance));
    EXPECT_EQ(ToGbk(Line().Text()), text::Utf8ToGbk("部门 等于 财务部"));
    EXPECT_EQ(Control<QLineEdit>(form, "searchTextEdit")->text(), FromGbk(kFinance));
    EXPECT_EQ(Control<QComboBox>(form, "fieldCombo")->currentIndex(), 0);
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"zhang", "wang"}));
    dialogs.informations.clear();
    QTest::mouseClick(Line().EndButton(), Qt::LeftButton);
    EXPECT_FALSE(Line().Shown());
    EXPECT_EQ(tab.Model().rowCount(), 4);
    EXPECT_TRUE(dialogs.informations.empty());
    EXPECT_EQ(Control<QLineEdit>(form, "searchTextEdit")->text(), FromGbk(kFinance));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventorySearchTest, SearchPostsTheCellBeingEditedAndDropsAnUntouchedNewRow) {
    InventoryTab& tab = OpenTab();
    QWidget& form = Page();
    Type(1, kRemark, QStringLiteral("keep me"));  // li's row, editor still open
    Search(0, kEquals, QStringLiteral("b"));
    EXPECT_EQ(Column(kRemark), std::vector<std::string>{"keep me"});
    EXPECT_FALSE(tab.Dataset().Editing());  // posted into the batch
    EXPECT_EQ(tab.Dataset().PendingCount(), 1u);
    EXPECT_EQ(Db("select count(*) from ip where bz is not null"), "0");  // not saved

    Click(Control<QPushButton>(form, "addButton"));  // 增加: an empty new row
    ASSERT_EQ(tab.Model().rowCount(), 2);
    Search(0, kEquals, QStringLiteral("b "));
    Search(0, kEquals, QStringLiteral("b"));
    EXPECT_EQ(tab.Model().rowCount(), 1);
    EXPECT_EQ(tab.Dataset().PendingCount(), 1u);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventorySearchTest, ShowAllAndRefreshReloadAndKeepThePendingBatch) {
    InventoryTab& tab = OpenTab();
    QWidget& form = Page();
    Enter(0, kRemark, QStringLiteral("mine"));  // zhao's row
    Search(1, kEquals, QStringLiteral("zhao"));
    // A report stores a new PC behind the dataset's back.
    RunSql(options.databasePath, "insert into ip (bm, username, mac) values ('a', 'new', 'd5');");
    dialogs.informations.clear();

    Click(Control<QPushButton>(form, "showAllButton"));  // 全部数据
    EXPECT_TRUE(tab.Dataset().Filter().ShowsAll());
    EXPECT_EQ(dialogs.informations, std::vector<std::string>{CountNotice(5)});
    EXPECT_EQ(tab.Model().rowCount(), 5);
    EXPECT_EQ(tab.Dataset().RecNo(), 0);
    EXPECT_EQ(tab.Dataset().PendingCount(), 1u);
    // The search inputs stay as they were.
    EXPECT_EQ(Control<QLineEdit>(form, "searchTextEdit")->text(), QStringLiteral("zhao"));
    EXPECT_EQ(Control<QComboBox>(form, "fieldCombo")->currentIndex(), 1);

    Search(1, kEquals, QStringLiteral("zhao"));
    RunSql(options.databasePath, "insert into ip (username, mac) values ('newer', 'd6');");
    dialogs.informations.clear();
    Click(Control<QPushButton>(form, "refreshButton"));  // 刷新: the same without the notice
    EXPECT_TRUE(tab.Dataset().Filter().ShowsAll());
    EXPECT_EQ(tab.Model().rowCount(), 6);
    EXPECT_TRUE(dialogs.informations.empty());
    EXPECT_EQ(tab.Dataset().PendingCount(), 1u);
    const auto remarks = Column(kRemark);
    EXPECT_EQ(std::count(remarks.begin(), remarks.end(), "mine"), 1);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventorySearchTest, TitleClickSortsAscendingEveryTimeWithinTheFilter) {
    InventoryTab& tab = OpenTab();
    ClickTitle(kUser);
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"li", "wang", "zhang", "zhao"}));
    ClickTitle(kUser);  // no toggle
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"li", "wang", "zhang", "zhao"}));
    EXPECT_EQ(tab.Dataset().Sort(), "username");

    ClickTitle(13);  // 登记时间: oldest first
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"wang", "li", "zhao", "zhang"}));

    // The sort keeps the current record and the filter in force.
    Search(0, kEquals, FromGbk(kFinance));
    tab.Grid().setCurrentIndex(tab.Model().index(1, kUser));
    const std::string current = Cell(1, kUser);
    ClickTitle(kIp);
    EXPECT_EQ(Column(kUser), (std::vector<std::string>{"zhang", "wang"}));
    EXPECT_EQ(Cell(static_cast<int>(tab.Dataset().RecNo()), kUser), current);
    EXPECT_EQ(tab.Grid().currentIndex().row(), tab.Dataset().RecNo());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventorySearchTest, FailedRequeryClosesTheDatasetAndTheWindowGoesOn) {
    InventoryTab& tab = OpenTab();
    QWidget& form = Page();
    RunSql(options.databasePath, "drop table ip;");
    Click(Control<QPushButton>(form, "refreshButton"));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find("ip"), std::string::npos) << dialogs.errors[0];
    EXPECT_FALSE(tab.Dataset().Active());
    EXPECT_EQ(tab.Model().rowCount(), 0);
    ClickTitle(kUser);  // nothing to sort: refused, nothing harmful
    EXPECT_EQ(dialogs.errors.size(), 2u);
}

TEST_F(InventorySearchTest, ClosedDatasetRefusesEveryOperationInTheErrorBox) {
    MakeTab();  // the store never opened
    QWidget& form = Page();
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
