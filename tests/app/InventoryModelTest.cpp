// The inventory grid's model checked by Qt's own model tester while the
// grid is driven through every kind of change of its dataset.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLineEdit>

#include "InventoryFixture.h"

namespace vantrel::app::test {
namespace {

using InventoryModel = InventoryFixture;

TEST_F(InventoryModel, StaysConsistentThroughEveryDatasetChange) {
    TForm1& form = OpenInventory();
    QAbstractItemModelTester tester(Model(form),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    TDBGridEh& grid = *Grid(form);
    grid.setFocus();

    Enter(1, kUser, QStringLiteral("edited"));
    grid.setCurrentIndex(Model(form)->index(3, kUser));
    Key(Qt::Key_Down);  // appended
    Key(Qt::Key_Up);    // dropped again, inside the grid's own cursor move
    Key(Qt::Key_Insert);
    Enter(4, kBm, QStringLiteral("new"));
    ClickTitle(kBm);
    Control<QComboBox>(form, "ComboBox1")->setCurrentIndex(1);
    Control<QLineEdit>(form, "Edit1")->setText(QStringLiteral("a"));
    Control<QComboBox>(form, "ComboBox3")->setCurrentIndex(1);  // 包含
    Click(Control<QPushButton>(form, "Button1"));
    grid.setCurrentIndex(Model(form)->index(0, kUser));
    dialogs.warningAnswer = TModalResult::Yes;
    Click(Control<QPushButton>(form, "Button3"));
    Click(Control<QPushButton>(form, "Button6"));
    Click(Control<QPushButton>(form, "Button4"));
    Click(Control<QPushButton>(form, "Button5"));
    Click(Control<QPushButton>(form, "Button2"));
    Click(Control<QPushButton>(form, "Button10"));
    RunSql(options.databasePath, "drop table ip;");
    Click(Control<QPushButton>(form, "Button10"));  // the dataset closes
    EXPECT_EQ(Model(form)->rowCount(), 0);
    EXPECT_EQ(dialogs.errors.size(), 1u);  // only the failed re-query
}

TEST_F(InventoryModel, ClosedDatasetShowsNoRowsAndNoFields) {
    TForm1& form = Open();  // no db.mdb
    QAbstractItemModelTester tester(Model(form),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    TInventoryModel& model = *Model(form);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), TInventoryModel::kColumnCount);
    EXPECT_EQ(model.FieldOfColumn(0), -1);
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), QString());
}

}  // namespace
}  // namespace vantrel::app::test
