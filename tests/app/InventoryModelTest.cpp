// The inventory grid's model checked by Qt's own model tester while the
// grid is driven through every kind of change of its dataset.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLineEdit>

#include "InventoryFixture.h"

namespace vantrel::app::test {
namespace {

using InventoryModelTest = InventoryFixture;

TEST_F(InventoryModelTest, StaysConsistentThroughEveryDatasetChange) {
    MainWindow& form = OpenInventory();
    QAbstractItemModelTester tester(Model(form),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    InventoryGrid& grid = *Grid(form);
    grid.setFocus();

    Enter(1, kUser, QStringLiteral("edited"));
    grid.setCurrentIndex(Model(form)->index(3, kUser));
    Key(Qt::Key_Down);  // appended
    Key(Qt::Key_Up);    // dropped again, inside the grid's own cursor move
    Key(Qt::Key_Insert);
    Enter(4, kBm, QStringLiteral("new"));
    ClickTitle(kBm);
    Control<QComboBox>(form, "fieldCombo")->setCurrentIndex(1);
    Control<QLineEdit>(form, "searchTextEdit")->setText(QStringLiteral("a"));
    Control<QComboBox>(form, "matchCombo")->setCurrentIndex(1);  // 包含
    Click(Control<QPushButton>(form, "searchButton"));
    grid.setCurrentIndex(Model(form)->index(0, kUser));
    dialogs.warningAnswer = ModalResult::Yes;
    Click(Control<QPushButton>(form, "deleteButton"));
    Click(Control<QPushButton>(form, "showAllButton"));
    Click(Control<QPushButton>(form, "cancelEditsButton"));
    Click(Control<QPushButton>(form, "addButton"));
    Click(Control<QPushButton>(form, "saveButton"));
    Click(Control<QPushButton>(form, "refreshButton"));
    RunSql(options.databasePath, "drop table ip;");
    Click(Control<QPushButton>(form, "refreshButton"));  // the dataset closes
    EXPECT_EQ(Model(form)->rowCount(), 0);
    EXPECT_EQ(dialogs.errors.size(), 1u);  // only the failed re-query
}

TEST_F(InventoryModelTest, ClosedDatasetShowsNoRowsAndNoFields) {
    MainWindow& form = Open();  // no db.mdb
    QAbstractItemModelTester tester(Model(form),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal);
    InventoryModel& model = *Model(form);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), InventoryModel::kColumnCount);
    EXPECT_EQ(model.FieldOfColumn(0), -1);
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), QString());
}

}  // namespace
}  // namespace vantrel::app::test
