// Record editing on the inventory tab: the four buttons, the grid's own
// keys and focus rules, the marks of pending changes, and the close question.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "InventoryEditing.h"
#include "InventoryFixture.h"

namespace vantrel::app::test {
namespace {

const std::string kSaved = "\xb1\xa3\xb4\xe6\xb3\xc9\xb9\xa6\xa3\xa1";     // 保存成功！
const std::string kNotSaved = "\xb1\xa3\xb4\xe6\xca\xa7\xb0\xdc\xa3\xa1";  // 保存失败！
const std::string kDeleteQuestion =                                        // 确定要删除吗？
    "\xc8\xb7\xb6\xa8\xd2\xaa\xc9\xbe\xb3\xfd\xc2\xf0\xa3\xbf";
const std::string kCancelQuestion =  // 确定要取消吗？
    "\xc8\xb7\xb6\xa8\xd2\xaa\xc8\xa1\xcf\xfb\xc2\xf0\xa3\xbf";
const std::string kCloseQuestion =  // 有未保存的修改，确定要放弃这些修改并退出吗？
    "\xd3\xd0\xce\xb4\xb1\xa3\xb4\xe6\xb5\xc4\xd0\xde\xb8\xc4\xa3\xac\xc8\xb7\xb6\xa8\xd2\xaa"
    "\xb7\xc5\xc6\xfa\xd5\xe2\xd0\xa9\xd0\xde\xb8\xc4\xb2\xa2\xcd\xcb\xb3\xf6\xc2\xf0\xa3\xbf";

using Users = std::vector<std::string>;
using InventoryEditingTest = InventoryFixture;

TEST_F(InventoryEditingTest, AddedRowTypedAndSavedReachesTheTable) {
    MainWindow& form = OpenInventory();
    Click(Control<QPushButton>(form, "addButton"));  // 增加
    ASSERT_EQ(Model(form)->rowCount(), 5);
    EXPECT_EQ(form.Inventory().Dataset().RecNo(), 4);
    EXPECT_EQ(Grid(form)->currentIndex().row(), 4);
    Enter(4, kBm, QStringLiteral("a"));
    Type(4, kUser, QStringLiteral("new user"));       // still in its editor
    Click(Control<QPushButton>(form, "saveButton"));  // 保存
    EXPECT_EQ(dialogs.informations, std::vector<std::string>{kSaved});
    EXPECT_EQ(Db("select username from ip where bm='a'"), "new user");
    EXPECT_EQ(Db("select count(*) from ip where username='new user' and djsj is not null"), "1");
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 0u);
    EXPECT_TRUE(dialogs.errors.empty());

    // With nothing pending a save writes nothing and still succeeds.
    Click(Control<QPushButton>(form, "saveButton"));
    EXPECT_EQ(dialogs.informations.back(), kSaved);
}

TEST_F(InventoryEditingTest, DeleteAsksAndHoldsTheDeletionUntilSave) {
    MainWindow& form = OpenInventory();
    // A new row nobody typed into goes without a trace.
    Click(Control<QPushButton>(form, "addButton"));
    Click(Control<QPushButton>(form, "deleteButton"));
    EXPECT_EQ(dialogs.warnings, std::vector<std::string>{kDeleteQuestion});
    EXPECT_EQ(Model(form)->rowCount(), 4);
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 0u);

    Grid(form)->setCurrentIndex(Model(form)->index(1, kUser));  // li
    dialogs.warningAnswer = ModalResult::No;
    Click(Control<QPushButton>(form, "deleteButton"));
    EXPECT_EQ(Column(kUser), (Users{"zhao", "li", "zhang", "wang"}));

    dialogs.warningAnswer = ModalResult::Yes;
    Click(Control<QPushButton>(form, "deleteButton"));
    EXPECT_EQ(Column(kUser), (Users{"zhao", "zhang", "wang"}));
    EXPECT_EQ(Db("select count(*) from ip"), "4");
    // 取消修改 brings it back; deleted again and saved, it leaves the table.
    Click(Control<QPushButton>(form, "cancelEditsButton"));
    EXPECT_EQ(dialogs.warnings.back(), kCancelQuestion);
    EXPECT_EQ(Column(kUser), (Users{"zhao", "li", "zhang", "wang"}));
    Grid(form)->setCurrentIndex(Model(form)->index(1, kUser));
    Click(Control<QPushButton>(form, "deleteButton"));
    Click(Control<QPushButton>(form, "saveButton"));
    EXPECT_EQ(Db("select count(*) from ip where username='li'"), "0");
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventoryEditingTest, DeleteOnAnEmptyGridIsRefusedInTheErrorBox) {
    MakeDatabase();
    MainWindow& form = Open();
    Click(Control<QPushButton>(form, "deleteButton"));
    EXPECT_EQ(dialogs.errors,
              std::vector<std::string>{"Cannot perform this operation on an empty dataset."});
    // The grid's own Ctrl+Delete does not even ask on an empty grid.
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.confirmations.empty());
    EXPECT_EQ(dialogs.errors.size(), 1u);
}

TEST_F(InventoryEditingTest, CancelRevertsEveryChangeAndTheCellBeingEdited) {
    MainWindow& form = OpenInventory();
    Enter(0, kUser, QStringLiteral("u1"));
    Enter(0, kRemark, QStringLiteral("r1"));
    Enter(2, kUser, QStringLiteral("u3"));
    Type(3, kRemark, QStringLiteral("typing"));

    dialogs.warningAnswer = ModalResult::No;
    Click(Control<QPushButton>(form, "cancelEditsButton"));
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(),
              3u);  // the open editor went into its row
    EXPECT_EQ(Column(kUser), (Users{"u1", "li", "u3", "wang"}));

    Type(3, kIp, QStringLiteral("typing"));
    dialogs.warningAnswer = ModalResult::Yes;
    Click(Control<QPushButton>(form, "cancelEditsButton"));
    EXPECT_EQ(Column(kUser), (Users{"zhao", "li", "zhang", "wang"}));
    EXPECT_EQ(Column(kRemark), (Users{"", "", "", ""}));
    EXPECT_EQ(Cell(3, kIp), "192.168.2.9");
    EXPECT_FALSE(form.Inventory().Dataset().HasPendingChanges());
    EXPECT_FALSE(Grid(form)->EditorModified());
}

TEST_F(InventoryEditingTest, TextGbkCannotHoldIsRefusedAloudAndNeverStored) {
    MainWindow& form = OpenInventory();
    Enter(0, kUser, QStringLiteral("kept"));
    Type(1, kUser, QStringLiteral("smile \U0001F600"));
    Click(Control<QPushButton>(form, "saveButton"));  // the editor loses focus to the button
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find("U+1F600"), std::string::npos);
    EXPECT_EQ(Cell(1, kUser), "li");
    EXPECT_EQ(Db("select count(*) from ip where username in ('kept', 'li')"), "2");
    EXPECT_EQ(Db("select count(*) from ip where username like 'smile%'"), "0");
}

TEST_F(InventoryEditingTest, FailingSaveSaysOnlySaveFailedAndKeepsTheBatch) {
    MainWindow& form = OpenInventory();
    Enter(1, kUser, QStringLiteral("changed"));
    Click(Control<QPushButton>(form, "addButton"));
    Enter(4, kBm, QStringLiteral("added"));
    // Another program holds the database locked.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(options.databasePath.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    Click(Control<QPushButton>(form, "saveButton"));
    EXPECT_EQ(dialogs.informations, std::vector<std::string>{kNotSaved});
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 2u);
    EXPECT_EQ(Column(kUser)[1], "changed");

    // The lock gone, the same batch saves.
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    Click(Control<QPushButton>(form, "saveButton"));
    EXPECT_EQ(dialogs.informations.back(), kSaved);
    EXPECT_EQ(Db("select count(*) from ip where username='changed' or bm='added'"), "2");
}

TEST_F(InventoryEditingTest, GridKeysAppendMoveAndDeleteLikeADataGrid) {
    MainWindow& form = OpenInventory();
    InventoryGrid& grid = *Grid(form);
    grid.setFocus();
    grid.setCurrentIndex(Model(form)->index(3, kUser));

    Key(Qt::Key_Down);  // past the last row: a new row
    EXPECT_EQ(Model(form)->rowCount(), 5);
    EXPECT_EQ(grid.currentIndex().row(), 4);
    EXPECT_EQ(grid.currentIndex().column(), kUser);
    Key(Qt::Key_Down);  // on a new row still untouched: nothing more
    EXPECT_EQ(Model(form)->rowCount(), 5);
    Key(Qt::Key_Up);  // moving off it drops it
    EXPECT_EQ(Model(form)->rowCount(), 4);
    EXPECT_EQ(grid.currentIndex().row(), 3);
    EXPECT_EQ(form.Inventory().Dataset().RecNo(), 3);

    Key(Qt::Key_Insert);
    EXPECT_EQ(Model(form)->rowCount(), 5);
    // Down from the editor of a new row takes the text in and appends.
    QLineEdit* editor = Type(4, kUser, QStringLiteral("typed"));
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(Model(form)->rowCount(), 6);
    Key(Qt::Key_Up);  // the untouched one goes, the typed one stays
    EXPECT_EQ(Model(form)->rowCount(), 5);
    EXPECT_EQ(Cell(4, kUser), "typed");
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 1u);

    // Ctrl+Delete asks the grid's own question.
    Key(Qt::Key_Up);
    dialogs.confirmationAnswer = ModalResult::Cancel;
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Model(form)->rowCount(), 5);
    dialogs.confirmationAnswer = ModalResult::Ok;
    Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(dialogs.confirmations.size(), 2u);
    EXPECT_EQ(Column(kUser), (Users{"zhao", "li", "zhang", "typed"}));  // wang deleted
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 2u);
    EXPECT_TRUE(dialogs.warnings.empty());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventoryEditingTest, FocusLeavingTheGridDropsAnUntouchedNewRowAndKeepsTypedText) {
    MainWindow& form = OpenInventory();
    InventoryGrid& grid = *Grid(form);
    grid.setFocus();
    Key(Qt::Key_Insert);
    ASSERT_EQ(Model(form)->rowCount(), 5);
    Control<QLineEdit>(form, "searchTextEdit")->setFocus();
    EXPECT_EQ(Model(form)->rowCount(), 4);

    // Text in the cell being edited goes into the row, which stays in its edit.
    QLineEdit* editor = Type(2, kRemark, QStringLiteral("half"));
    ASSERT_NE(editor, nullptr);
    editor->setFocus();
    Control<QLineEdit>(form, "searchTextEdit")->setFocus();
    EXPECT_EQ(Cell(2, kRemark), "half");
    EXPECT_TRUE(form.Inventory().Dataset().Editing());
    EXPECT_EQ(form.Inventory().Dataset().RecNo(), 2);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(InventoryEditingTest, PendingChangesAreMarkedAndCounted) {
    MainWindow& form = OpenInventory();
    InventoryModel& model = *Model(form);
    auto* pending = form.findChild<QLabel*>(QStringLiteral("PendingLabel"));
    ASSERT_NE(pending, nullptr);
    EXPECT_TRUE(pending->text().isEmpty());
    EXPECT_GE(pending->x(), Control<QPushButton>(form, "saveButton")->geometry().right());
    EXPECT_LE(pending->geometry().right(), Control<QFrame>(form, "commandBar")->width());

    QLineEdit* editor = Type(1, kUser, QStringLiteral("x"));
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(model.headerData(1, Qt::Vertical).toString(), InventoryModel::CurrentMark());
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits queued
    // The row stays in its edit until the grid leaves it.
    EXPECT_EQ(model.headerData(1, Qt::Vertical).toString(),
              InventoryModel::EditingMark() + InventoryModel::ChangedMark());
    EXPECT_EQ(model.data(model.index(1, kUser), Qt::BackgroundRole).value<QColor>(),
              InventoryModel::ChangedCellColor());
    EXPECT_FALSE(model.data(model.index(1, kBm), Qt::BackgroundRole).isValid());
    EXPECT_EQ(pending->text(), FromGbk("\xb4\xfd\xb1\xa3\xb4\xe6"
                                       "1"));  // 待保存1

    Click(Control<QPushButton>(form, "addButton"));
    EXPECT_EQ(model.headerData(1, Qt::Vertical).toString(), InventoryModel::ChangedMark());
    EXPECT_EQ(model.headerData(4, Qt::Vertical).toString(),
              InventoryModel::EditingMark() + InventoryModel::NewMark());
    EXPECT_EQ(model.data(model.index(4, kRemark), Qt::BackgroundRole).value<QColor>(),
              InventoryModel::NewRowColor());
    EXPECT_EQ(pending->text(), FromGbk("\xb4\xfd\xb1\xa3\xb4\xe6"
                                       "1"));  // untouched: not yet
    Enter(4, kBm, QStringLiteral("n"));
    Grid(form)->setCurrentIndex(model.index(0, kBm));
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toString(), InventoryModel::CurrentMark());
    EXPECT_EQ(model.headerData(4, Qt::Vertical).toString(), InventoryModel::NewMark());
    Grid(form)->setCurrentIndex(model.index(2, kBm));
    Click(Control<QPushButton>(form, "deleteButton"));  // deleted rows leave the view and count
    EXPECT_EQ(pending->text(), FromGbk("\xb4\xfd\xb1\xa3\xb4\xe6"
                                       "3"));
    Click(Control<QPushButton>(form, "saveButton"));
    EXPECT_TRUE(pending->text().isEmpty());
    for (int r = 0; r < model.rowCount(); ++r) {
        EXPECT_FALSE(
            model.headerData(r, Qt::Vertical).toString().contains(InventoryModel::ChangedMark()));
    }
}

TEST_F(InventoryEditingTest, ClosingWithPendingChangesAsksFirst) {
    MainWindow& form = OpenInventory();
    // Nothing pending: no question.
    EXPECT_TRUE(form.close());
    EXPECT_TRUE(dialogs.warnings.empty());

    form.show();
    Enter(0, kUser, QStringLiteral("unsaved"));
    dialogs.warningAnswer = ModalResult::No;
    EXPECT_FALSE(form.close());
    EXPECT_EQ(dialogs.warnings, std::vector<std::string>{kCloseQuestion});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(Cell(0, kUser), "unsaved");
    EXPECT_TRUE(form.Inventory().Dataset().Editing());  // everything as it was

    // Text only typed into an open editor counts too.
    Click(Control<QPushButton>(form, "cancelEditsButton"));
    Type(1, kUser, QStringLiteral("typed"));
    EXPECT_FALSE(form.close());
    EXPECT_EQ(dialogs.warnings.size(), 3u);
    EXPECT_TRUE(Grid(form)->EditorModified());

    // Closing unattended (a signal) asks nothing; Yes closes and drops.
    InventoryEditing* editing = form.findChild<InventoryEditing*>();
    ASSERT_NE(editing, nullptr);
    EXPECT_TRUE(editing->ConfirmClose(true));
    EXPECT_EQ(dialogs.warnings.size(), 3u);
    dialogs.warningAnswer = ModalResult::Yes;
    EXPECT_TRUE(form.close());
    program.reset();
    EXPECT_EQ(Db("select count(*) from ip where username in ('unsaved', 'typed')"), "0");
}

}  // namespace
}  // namespace vantrel::app::test
