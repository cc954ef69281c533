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
    QAbstractItemModelTester tester(form.DataSource1,
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    TDBGridEh& grid = *form.DBGridEh1;
    grid.setFocus();

    Enter(1, kUser, QStringLiteral("edited"));
    grid.setCurrentIndex(form.DataSource1->index(3, kUser));
    Key(Qt::Key_Down);  // appended
    Key(Qt::Key_Up);    // dropped again, inside the grid's own cursor move
    Key(Qt::Key_Insert);
    Enter(4, kBm, QStringLiteral("new"));
    ClickTitle(kBm);
    form.ComboBox1->setCurrentIndex(1);
    form.Edit1->setText(QStringLiteral("a"));
    form.ComboBox3->setCurrentIndex(1);  // 包含
    Click(form.Button1);
    grid.setCurrentIndex(form.DataSource1->index(0, kUser));
    dialogs.warningAnswer = TModalResult::Yes;
    Click(form.Button3);
    Click(form.Button6);
    Click(form.Button4);
    Click(form.Button5);
    Click(form.Button2);
    Click(form.Button10);
    RunSql(options.databasePath, "drop table ip;");
    Click(form.Button10);  // the dataset closes
    EXPECT_EQ(form.DataSource1->rowCount(), 0);
    EXPECT_EQ(dialogs.errors.size(), 1u);  // only the failed re-query
}

TEST_F(InventoryModel, ClosedDatasetShowsNoRowsAndNoFields) {
    TForm1& form = Open();  // no db.mdb
    QAbstractItemModelTester tester(form.DataSource1,
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    TInventoryModel& model = *form.DataSource1;
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), TInventoryModel::kColumnCount);
    EXPECT_EQ(model.FieldOfColumn(0), -1);
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), QString());
}

}  // namespace
}  // namespace vantrel::app::test
