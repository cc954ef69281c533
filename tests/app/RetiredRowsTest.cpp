// Retired PCs in the grid: hidden by 隐藏报废 from the start, greyed when
// shown; and a batch of selected rows from the grid's context menu.

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QTest>

#include "AssetBatch.h"
#include "GbkLiteral.h"
#include "InventoryTabFixture.h"
#include "IpAsset.h"

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

}  // namespace
}  // namespace vantrel::app::test
