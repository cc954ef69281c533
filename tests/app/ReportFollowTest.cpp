// The grid following the reports: rows updated in place without losing the
// administrator's place, rows with pending edits left alone, new PCs
// counted under the grid; and the inventory tab's small conveniences
// (Enter searches, the field list uncut, the window's settings restored).
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QSplitter>
#include <algorithm>
#include <fstream>

#include "GbkConvert.h"
#include "InventoryFixture.h"
#include "InventoryTab.h"
#include "ReportFollower.h"

namespace vantrel::app::test {
namespace {

class ReportFollowTest : public InventoryFixture {
  protected:
    // A report over the intake, waited for until its log line is shown.
    void Report(const std::string& query) {
        const std::size_t lines = Form().EventLog().LogLines().size();
        const std::string reply = Exchange(Port(), "GET /post?" + query + " HTTP/1.0\r\n\r\n");
        ASSERT_NE(reply.find(" 200 OK"), std::string::npos) << reply;
        ASSERT_TRUE(WaitFor([&] { return Form().EventLog().LogLines().size() > lines; }));
    }
    QLabel* Notice() { return Form().Inventory().NewReportsNotice(); }
};

TEST_F(ReportFollowTest, AReportShowsInItsRowInPlaceKeepingCursorSortAndSearch) {
    OpenInventory();  // d1 (null bm), d2 (b), d3, d4 (财务部)
    Grid(Form())->setCurrentIndex(Model(Form())->index(2, kIp));
    // The department changes too: the row stays where the sort put it.
    Report("xipMac=D2&xipUserName=li2&bm=z&xipIp=10.0.0.6");
    ASSERT_TRUE(WaitFor([&] { return Cell(1, kUser) == "li2"; }));
    EXPECT_EQ(Cell(1, kBm), "z");
    EXPECT_EQ(Cell(1, kIp), "10.0.0.6");
    EXPECT_EQ(Column(kMac), (std::vector<std::string>{"d1", "d2", "d3", "d4"}));
    EXPECT_EQ(Grid(Form())->currentIndex(), Model(Form())->index(2, kIp));
    EXPECT_EQ(Form().Inventory().Dataset().PendingCount(), 0u);
    EXPECT_FALSE(Notice()->isVisible());

    // A row outside the search is updated too, and shows so once the search
    // is gone; the search itself stays.
    Control<QComboBox>(Form(), "fieldCombo")->setCurrentIndex(1);  // 使用者
    Control<QLineEdit>(Form(), "searchTextEdit")->setText(QStringLiteral("zhang"));
    Click(Control<QPushButton>(Form(), "searchButton"));
    ASSERT_EQ(Column(kMac), (std::vector<std::string>{"d3"}));
    const std::uint64_t flushes = Form().Inventory().Follower().Flushes();
    Report("xipMac=d4&xipUserName=wang2&bm=x");
    ASSERT_TRUE(WaitFor([&] { return Form().Inventory().Follower().Flushes() > flushes; }));
    EXPECT_EQ(Column(kMac), (std::vector<std::string>{"d3"}));
    EXPECT_EQ(Form().Inventory().Dataset().Filter().Text(), "zhang");
    Form().Inventory().Dataset().SetFilter({});
    Form().Inventory().DataSetChanged();
    const std::vector<std::string> users = Column(kUser);
    EXPECT_NE(std::find(users.begin(), users.end(), "wang2"), users.end());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(ReportFollowTest, ARowWithPendingEditsIsLeftAndTheSaveRuleStillHolds) {
    OpenInventory();
    Enter(1, kUser, QStringLiteral("typed"));  // d2 now has a pending edit
    ASSERT_EQ(Form().Inventory().Dataset().PendingCount(), 1u);
    // d2's edited column and another column change; d3 has no edit.
    Report("xipMac=d2&xipUserName=li2&xipIp=10.0.0.99");
    Report("xipMac=d3&xipUserName=zhang2");
    ASSERT_TRUE(WaitFor([&] { return Cell(2, kUser) == "zhang2"; }));
    EXPECT_EQ(Cell(1, kUser), "typed");
    EXPECT_EQ(Cell(1, kIp), "10.0.0.5") << "the pending row shows what was loaded";
    // The report rewrote the edited cell: the save leaves the row pending.
    Click(Control<QPushButton>(Form(), "saveButton"));
    EXPECT_EQ(Db("select username from ip where mac='d2'"), "li2");
    EXPECT_EQ(Form().Inventory().Dataset().PendingCount(), 1u);

    // An open cell editor counts as an edit in progress.
    QLineEdit* editor = Type(3, kUser, QStringLiteral("half"));
    ASSERT_NE(editor, nullptr);
    Report("xipMac=d4&xipUserName=wang2");
    Report("xipMac=d1&xipUserName=zhao2");
    ASSERT_TRUE(WaitFor([&] { return Cell(0, kUser) == "zhao2"; }));
    EXPECT_EQ(Cell(3, kUser), "wang");
    EXPECT_EQ(editor->text(), QStringLiteral("half"));
}

TEST_F(ReportFollowTest, NewPcsAreCountedUnderTheGridUntilRefresh) {
    OpenInventory();
    Report("xipMac=n1&xipUserName=a");
    Report("xipMac=n2&xipUserName=b");
    Report("xipMac=n1&xipUserName=a2");  // the same new PC again
    const std::string two = text::Utf8ToGbk("新提交 2 台电脑（点 刷新 显示）");
    ASSERT_TRUE(WaitFor([&] { return ToGbk(Notice()->text()) == two; }));
    EXPECT_TRUE(Notice()->isVisible());
    EXPECT_EQ(Form().Inventory().Follower().NewPcCount(), 2u);
    EXPECT_EQ(Model(Form())->rowCount(), 4) << "new PCs are not inserted";
    Click(Control<QPushButton>(Form(), "refreshButton"));
    EXPECT_EQ(Model(Form())->rowCount(), 6);
    EXPECT_FALSE(Notice()->isVisible());
}

TEST_F(ReportFollowTest, AnEmptyInventorysHintGivesWayToTheFirstReport) {
    MakeDatabase("");
    Open().show();
    ASSERT_TRUE(Grid(Form())->ShowsEmptyHint());
    Report("xipMac=n1&xipUserName=a");
    ASSERT_TRUE(WaitFor([&] { return Notice()->isVisible(); }));
    EXPECT_FALSE(Grid(Form())->ShowsEmptyHint()) << "the count line tells of the new PC";
    Click(Control<QPushButton>(Form(), "refreshButton"));
    EXPECT_EQ(Model(Form())->rowCount(), 1);
    EXPECT_FALSE(Grid(Form())->ShowsEmptyHint());
}

TEST_F(ReportFollowTest, EnterInTheSearchTextSearchesAndTheFieldListIsUncut) {
    OpenInventory();
    auto* text = Control<QLineEdit>(Form(), "searchTextEdit");
    Control<QComboBox>(Form(), "fieldCombo")->setCurrentIndex(1);  // 使用者
    text->setFocus();
    QTest::keyClicks(text, QStringLiteral("li"));
    QTest::keyClick(text, Qt::Key_Return);
    EXPECT_EQ(Column(kMac), (std::vector<std::string>{"d2"}));
    ASSERT_EQ(dialogs.informations.size(), 1u) << "the count box, as 查询 shows it";

    auto* fields = Control<QComboBox>(Form(), "fieldCombo");
    int widest = 0;
    for (int i = 0; i < fields->count(); ++i) {
        widest =
            std::max(widest, fields->view()->fontMetrics().horizontalAdvance(fields->itemText(i)));
    }
    EXPECT_GE(fields->view()->minimumWidth(), widest);
    EXPECT_EQ(fields->view()->textElideMode(), Qt::ElideNone);
}

TEST_F(ReportFollowTest, WindowSizeSplitterAndColumnWidthsComeBackAtTheNextStart) {
    OpenInventory();
    Form().resize(900, 640);
    auto* splitter = Control<QSplitter>(Form(), "splitter");
    splitter->setSizes({600, 297});
    Grid(Form())->horizontalHeader()->resizeSection(kUser, 151);
    const QList<int> sizes = splitter->sizes();
    ASSERT_TRUE(Form().close());

    MainWindow& again = Open();
    again.show();
    EXPECT_EQ(again.size(), QSize(900, 640));
    EXPECT_EQ(Control<QSplitter>(again, "splitter")->sizes(), sizes);
    EXPECT_EQ(Grid(again)->horizontalHeader()->sectionSize(kUser), 151);
    // Widths saved for another number of columns are not used.
    ASSERT_TRUE(again.close());
    std::ofstream(options.settingsFile) << "[inventory]\ncolumnWidths=1, 2, 3\n";
    MainWindow& third = Open();
    EXPECT_EQ(Grid(third)->horizontalHeader()->sectionSize(kUser),
              InventoryModel::Columns()[kUser].width);
}

}  // namespace
}  // namespace vantrel::app::test
