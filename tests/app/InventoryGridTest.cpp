// The grid's cells, titles and empty state: values cut short say so and
// are told whole, the first start's widths hold an address, a MAC and a PC
// name, the sort column carries the arrow, and an empty inventory says how
// to fill it.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>

#include "InventoryFixture.h"

namespace vantrel::app::test {
namespace {

class InventoryGridTest : public InventoryFixture {
  protected:
    // The window over db.mdb as made, shown.
    MainWindow& Show() {
        MainWindow& form = Open();
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        return form;
    }
};

constexpr int kMemory = 6;  // 内存

int WidthInTable(int column) {
    return InventoryModel::Columns()[static_cast<std::size_t>(column)].width;
}

TEST_F(InventoryGridTest, FirstStartHoldsAddressesWholeAndCutCellsSaySo) {
    MakeDatabase(
        "insert into ip (bm, username, ip, mac, pcname, bz) values "
        "('a', 'u1', '192.168.100.101', 'F8:BC:12:33:44:55', 'DESKTOP-7KQ2M9A', 'short');"
        "insert into ip (bm, username, ip, mac, pcname, bz) values "
        "('b', 'u2', '192.168.100.102', '00-0C-29-00-00-01', 'ACCOUNTS-PC-001', "
        "'a remark far longer than its column is wide');");
    MainWindow& form = Show();
    InventoryGrid& grid = *Grid(form);
    InventoryModel& model = *Model(form);
    QHeaderView& titles = *grid.horizontalHeader();

    // Full values fit at the first start's widths; the other columns keep
    // the table's.
    for (int row = 0; row < 2; ++row) {
        for (const int column : {kIp, kMac, kPcName}) {
            EXPECT_FALSE(grid.CellElided(model.index(row, column)))
                << Cell(row, column) << " in " << titles.sectionSize(column) << " px";
        }
    }
    EXPECT_EQ(titles.sectionSize(kBm), WidthInTable(kBm));
    EXPECT_EQ(titles.sectionSize(kRemark), WidthInTable(kRemark));

    // A cell shown whole has no tooltip; one cut short tells its value, a
    // MAC always tells its maker under it.
    EXPECT_EQ(grid.CellToolTip(model.index(0, kIp)), QString());
    EXPECT_EQ(grid.CellToolTip(model.index(0, kRemark)), QString());
    EXPECT_TRUE(grid.CellElided(model.index(1, kRemark)));
    EXPECT_EQ(grid.CellToolTip(model.index(1, kRemark)),
              QStringLiteral("a remark far longer than its column is wide"));
    EXPECT_EQ(grid.CellToolTip(model.index(1, kMac)),
              QStringLiteral("00-0C-29-00-00-01\nVMware, Inc."));
    titles.resizeSection(kIp, 40);
    EXPECT_TRUE(grid.CellElided(model.index(0, kIp)));
    EXPECT_EQ(grid.CellToolTip(model.index(0, kIp)), QStringLiteral("192.168.100.101"));
    EXPECT_EQ(grid.textElideMode(), Qt::ElideRight);

    // Widths once saved are what the next start shows.
    const int narrowed = titles.sectionSize(kIp);
    form.close();
    MainWindow& again = Open();
    EXPECT_EQ(Grid(again)->horizontalHeader()->sectionSize(kIp), narrowed);
}

TEST_F(InventoryGridTest, SortsNumbersByValueUnderTheTitlesArrow) {
    MakeDatabase(
        "insert into ip (username, rammax, ip) values ('a', '16.0 GB', '192.168.1.10');"
        "insert into ip (username, rammax, ip) values ('b', '2.00 GB', '192.168.1.9');"
        "insert into ip (username, rammax, ip) values ('c', '23.5 GB', '192.168.1.101');"
        "insert into ip (username, rammax, ip) values ('d', null, null);"
        "insert into ip (username, rammax, ip) values ('e', '4.00 GB', '10.0.0.1');"
        "insert into ip (username, rammax, ip) values ('f', '32.0 GB', '');");
    MainWindow& form = Show();
    QHeaderView& titles = *Grid(form)->horizontalHeader();
    // The start-up sort by department shows its arrow.
    EXPECT_TRUE(titles.isSortIndicatorShown());
    EXPECT_EQ(titles.sortIndicatorSection(), kBm);

    ClickTitle(kMemory);
    const std::vector<std::string> memory = {"",        "2.00 GB", "4.00 GB",
                                             "16.0 GB", "23.5 GB", "32.0 GB"};
    EXPECT_EQ(Column(kMemory), memory);
    ClickTitle(kIp);
    const std::vector<std::string> ip = {
        "", "", "10.0.0.1", "192.168.1.9", "192.168.1.10", "192.168.1.101"};
    EXPECT_EQ(Column(kIp), ip);
    // A second click on the same title leaves the ascending sort and its
    // arrow as they are.
    ClickTitle(kIp);
    QCoreApplication::processEvents();
    EXPECT_EQ(Column(kIp), ip);
    EXPECT_EQ(titles.sortIndicatorSection(), kIp);
    EXPECT_EQ(titles.sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventoryGridTest, AnEmptyInventoryShowsTheHintUntilARowIsThere) {
    MakeDatabase();
    MainWindow& form = Show();
    InventoryGrid& grid = *Grid(form);
    EXPECT_TRUE(grid.ShowsEmptyHint());
    EXPECT_FALSE(grid.grab().isNull());  // painted with the hint

    // A search that finds nothing is no empty inventory.
    Control<QLineEdit>(form, "searchTextEdit")->setText(QStringLiteral("x"));
    Click(Control<QPushButton>(form, "searchButton"));
    EXPECT_FALSE(grid.ShowsEmptyHint());
    Click(Control<QPushButton>(form, "showAllButton"));
    EXPECT_TRUE(grid.ShowsEmptyHint());

    grid.setFocus();
    Key(Qt::Key_Insert);
    EXPECT_FALSE(grid.ShowsEmptyHint());
}

TEST_F(InventoryGridTest, AClosedStoreShowsNoHint) {
    MainWindow& form = Open();  // no db.mdb
    EXPECT_FALSE(Grid(form)->ShowsEmptyHint());
    EXPECT_FALSE(Grid(form)->horizontalHeader()->isSortIndicatorShown());
}

}  // namespace
}  // namespace vantrel::app::test
