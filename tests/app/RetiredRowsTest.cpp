// Retired PCs in the grid: hidden by 隐藏报废 from the start, greyed when
// shown; a batch of selected rows from the grid's context menu; and 保存 in
// a PC's window, which the grid follows at once.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include "AssetBatch.h"
#include "GbkLiteral.h"
#include "InventoryHistory.h"
#include "InventoryTabFixture.h"
#include "IpAsset.h"
#include "PcAssetTab.h"
#include "PcWindow.h"

namespace vantrel::app::test {
namespace {

class RetiredRowsTest : public InventoryTabFixture {
  protected:
    // The four rows; d2 is retired.
    InventoryTab& OpenWithRecords() {
        MakeDatabase(std::string(kFourRows) +
                     "INSERT INTO ip_asset (mac, assetno, status) VALUES "
                     "('d2', 'ZC-2', cast(x'b1a8b7cf' as text)), "
                     "('d3', 'ZC-3', cast(x'd4dad3c3' as text));");
        database.Open(options.databasePath);
        InventoryTab& tab = MakeTab();
        tab.Open();
        return tab;
    }
    QCheckBox* HideBox() { return Control<QCheckBox>(Page(), "hideRetiredBox"); }
    // Right-click on a row, as the user opens the menu.
    void OpenMenuOn(int row) {
        InventoryGrid& grid = Tab().Grid();
        const QRect cell = grid.visualRect(Tab().Model().index(row, kMac));
        emit grid.customContextMenuRequested(cell.center());
        grid.findChild<QMenu*>(QStringLiteral("RowMenu"))->hide();
    }
    // Saves `status` for the PC of `row` in the 资产 tab of its window.
    void SaveStatusInWindow(int row, const std::string& status) {
        PcWindow& window = Tab().History().OpenPcWindow(row);
        auto* assets = dynamic_cast<PcAssetTab*>(window.TabTitled(u8"资产"_gbk));
        ASSERT_NE(assets, nullptr);
        qobject_cast<QComboBox*>(assets->Editor(inventory::AssetField::status))
            ->setCurrentText(FromGbk(status));
        ASSERT_TRUE(assets->SaveButton()->isEnabled());
        assets->SaveButton()->click();
        EXPECT_FALSE(assets->HasEdits());
    }
    bool Greyed(int row) {
        return Tab().Model().data(Tab().Model().index(row, kBm), Qt::ForegroundRole).isValid();
    }
};

TEST_F(RetiredRowsTest, RetiredRowsAreHiddenByDefaultAndGreyedWhenShown) {
    OpenWithRecords();
    ASSERT_TRUE(HideBox()->isChecked());
    EXPECT_EQ(Column(kMac), (std::vector<std::string>{"d1", "d3", "d4"}));
    HideBox()->setChecked(false);
    ASSERT_EQ(Column(kMac), (std::vector<std::string>{"d1", "d2", "d3", "d4"}));
    InventoryModel& model = Tab().Model();
    EXPECT_EQ(model.data(model.index(1, kBm), Qt::ForegroundRole).value<QColor>(),
              InventoryModel::RetiredTextColor());
    EXPECT_FALSE(model.data(model.index(2, kBm), Qt::ForegroundRole).isValid());
    // A search keeps them out again once the box is ticked.
    HideBox()->setChecked(true);
    EXPECT_EQ(Column(kMac), (std::vector<std::string>{"d1", "d3", "d4"}));
    EXPECT_FALSE(Tab().Model().DataSet().Filter().ShowsAll());
}

TEST_F(RetiredRowsTest, ABatchSetsTheSelectedRowsPcsAndRetiringHidesThem) {
    OpenWithRecords();
    auto* batch = Tab().Grid().findChild<AssetBatch*>();
    ASSERT_NE(batch, nullptr);
    std::optional<AssetBatch::Choice> answer =
        AssetBatch::Choice{inventory::AssetField::location, u8"三楼财务室"_gbk};
    batch->SetAsk([&](QWidget*, std::size_t) { return answer; });

    QItemSelectionModel* selection = Tab().Grid().selectionModel();
    selection->clearSelection();
    selection->select(Tab().Model().index(0, kBm), QItemSelectionModel::Select);
    selection->select(Tab().Model().index(2, kBm), QItemSelectionModel::Select);
    OpenMenuOn(2);
    batch->Item()->trigger();
    ASSERT_FALSE(host.log.empty());
    EXPECT_NE(host.log.back().find(u8"选中 2 台，修改 2 台"_gbk), std::string::npos);
    store::IpAsset assets(database);
    EXPECT_EQ(assets.Of("d1")[inventory::IndexOf(inventory::AssetField::location)],
              u8"三楼财务室"_gbk);
    EXPECT_EQ(assets.Of("d4")[inventory::IndexOf(inventory::AssetField::location)],
              u8"三楼财务室"_gbk);
    EXPECT_EQ(assets.Of("d3")[inventory::IndexOf(inventory::AssetField::location)], "");

    // The row under the mouse alone when it is not selected: retired, it goes.
    selection->clearSelection();
    answer = AssetBatch::Choice{inventory::AssetField::status, u8"报废"_gbk};
    OpenMenuOn(1);
    batch->Item()->trigger();
    EXPECT_EQ(Column(kMac), (std::vector<std::string>{"d1", "d4"}));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(RetiredRowsTest, SavingInThePcWindowGreysOrHidesTheRowWithoutASearch) {
    InventoryTab& tab = OpenWithRecords();
    ASSERT_EQ(Column(kMac), (std::vector<std::string>{"d1", "d3", "d4"}));
    // An unsaved edit in d4's row, which is selected and current.
    Enter(2, kUser, QStringLiteral("wang2"));
    QItemSelectionModel* selection = tab.Grid().selectionModel();
    selection->setCurrentIndex(tab.Model().index(2, kUser), QItemSelectionModel::ClearAndSelect);
    ASSERT_EQ(tab.Dataset().PendingCount(), 1u);
    const std::string& retired = inventory::RetiredStatus();

    // d1 retired, 隐藏报废 ticked: its row goes; d4 is still where the user was.
    SaveStatusInWindow(0, retired);
    EXPECT_EQ(Column(kMac), (std::vector<std::string>{"d3", "d4"}));
    EXPECT_EQ(Cell(1, kUser), "wang2");
    EXPECT_EQ(tab.Dataset().PendingCount(), 1u);
    EXPECT_EQ(tab.Grid().currentIndex(), tab.Model().index(1, kUser));
    EXPECT_EQ(selection->selectedIndexes(), QModelIndexList{tab.Model().index(1, kUser)});

    // Shown, a retired row is greyed, and no longer once it is in use again.
    HideBox()->setChecked(false);
    ASSERT_EQ(Column(kMac), (std::vector<std::string>{"d1", "d2", "d3", "d4"}));
    SaveStatusInWindow(2, retired);
    EXPECT_EQ(Column(kMac), (std::vector<std::string>{"d1", "d2", "d3", "d4"}));
    EXPECT_TRUE(Greyed(0) && Greyed(1) && Greyed(2));
    SaveStatusInWindow(0, inventory::InUseStatus());
    EXPECT_FALSE(Greyed(0));
    EXPECT_TRUE(Greyed(2));
    EXPECT_FALSE(Greyed(3));
    EXPECT_EQ(Cell(3, kUser), "wang2");
    EXPECT_EQ(tab.Dataset().PendingCount(), 1u);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(RetiredRowsTest, TheGridStaysOnTheSameRowsWhenOneAboveThemIsHidden) {
    MakeDatabase(
        "with recursive n(i) as (select 0 union all select i + 1 from n where i + 1 < 200) "
        "insert into ip (bm, username, mac, ip) select printf('b%03d', i), printf('u%03d', i), "
        "printf('m%03d', i), '10.0.0.1' from n;");
    database.Open(options.databasePath);
    InventoryTab& tab = MakeTab();
    tab.Open();
    InventoryGrid& grid = tab.Grid();
    grid.scrollTo(tab.Model().index(100, kMac), QAbstractItemView::PositionAtTop);
    const int top = grid.rowAt(0);
    ASSERT_GT(top, 50);
    const std::string topMac = Cell(top, kMac);
    SaveStatusInWindow(10, inventory::RetiredStatus());
    ASSERT_EQ(tab.Model().rowCount(), 199);
    EXPECT_EQ(Cell(grid.rowAt(0), kMac), topMac);
}

}  // namespace
}  // namespace vantrel::app::test
