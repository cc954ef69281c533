// The change history on the inventory tab: the row's context menu, the
// history tab of the PC's window, and old values copied back as pending
// edits.
#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTableWidget>

#include "FixedTime.h"
#include "GbkConvert.h"
#include "HistoryWindow.h"
#include "InventoryFixture.h"
#include "InventoryHistory.h"
#include "PcWindow.h"
#include "PcWindows.h"

namespace vantrel::app::test {
namespace {

enum HardwareColumn { kCpu = 4, kBoard = 5, kRam = 6, kDisk = 7, kPhone = 15 };

const std::string kSaved = "\xb1\xa3\xb4\xe6\xb3\xc9\xb9\xa6\xa3\xa1";  // 保存成功！
const std::string kEmpty = "\xa3\xa8\xbf\xd5\xa3\xa9";                  // （空）
const std::string kCpuModel = "Intel(R) Core(TM) i5-8500";
const std::string kDiskModel = "WDC WD10EZEX (1000GB)";

class HistoryWindowTest : public InventoryFixture {
  protected:
    void SetUp() override {
        InventoryFixture::SetUp();
        options.clock = [] { return testsupport::LocalTime(2026, 12, 8, 9, 5, 7); };
    }

    // The collector's report of AA-BB, a PC without history and one whose
    // MAC is null, then the window.
    MainWindow& OpenWithCollectorRow() {
        MakeDatabase(
            "insert into ip (bm, username, ip, mac, cpu, board, rammax, yp) values "
            "('a', 'u', '127.0.0.1', 'AA-BB', '" +
            kCpuModel + "', 'B360M', '8192MB', '" + kDiskModel +
            "');"
            "insert into ip (bm, username, mac) values ('b', 'v', 'CC-DD');"
            "insert into ip (bm, username, mac) values ('c', 'w', null);");
        MainWindow& form = Open();
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        return form;
    }

    InventoryHistory& History() { return Form().Inventory().History(); }

    // Right button on a row of the grid, as the mouse gives it.
    void RightClick(int row, int column = kUser) {
        InventoryGrid* grid = Grid(Form());
        const QPoint at = grid->visualRect(Model(Form())->index(row, column)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid->viewport(), &event);
    }

    // Opens the history of a row through its menu: its PC's window, on the
    // history tab.
    HistoryWindow* OpenHistory(int row) {
        RightClick(row);
        EXPECT_TRUE(History().RowMenu()->isVisible());
        EXPECT_TRUE(History().HistoryItem()->isEnabled());
        History().RowMenu()->hide();
        History().HistoryItem()->trigger();
        const std::vector<PcWindow*> open = History().Windows().OpenWindows();
        EXPECT_FALSE(open.empty());
        if (open.empty()) {
            return nullptr;
        }
        auto* history = open.back()->findChild<HistoryWindow*>();
        EXPECT_NE(history, nullptr);
        if (history != nullptr) {
            EXPECT_TRUE(history->isVisible());
        }
        return history;
    }

    bool NoWindowOpen() { return History().Windows().OpenWindows().empty(); }

    // The list's texts, row by row, as GBK.
    static std::vector<std::vector<std::string>> ListTexts(const HistoryWindow& shown) {
        auto* list = Control<QTableWidget>(shown, "HistoryList");
        std::vector<std::vector<std::string>> rows;
        for (int r = 0; r < list->rowCount(); ++r) {
            std::vector<std::string> row;
            for (int c = 0; c < list->columnCount(); ++c) {
                row.push_back(ToGbk(list->item(r, c)->text()));
            }
            rows.push_back(row);
        }
        return rows;
    }

    static void Select(const HistoryWindow& shown, const std::vector<int>& rows) {
        auto* list = Control<QTableWidget>(shown, "HistoryList");
        list->clearSelection();
        for (int row : rows) {
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
};

TEST_F(HistoryWindowTest, ABrowserOverwriteOfTheCollectorsFactsComesBackFromTheGrid) {
    MainWindow& form = OpenWithCollectorRow();
    // The page form: the count of logical processors, no board nor disks,
    // and less memory.
    const std::string reply = Exchange(
        Port(),
        "GET /post?xipMac=AA-BB&xipUserName=u&bm=a&xipCpu=8&xipRammax=4096MB HTTP/1.0\r\n\r\n");
    ASSERT_NE(reply.find("\xd0\xbb\xd0\xbb"), std::string::npos) << reply;  // 谢谢...
    ASSERT_TRUE(WaitFor([&] { return form.EventLog().LogLines().size() == 4; }));
    // CPU：… → 8；主板：B360M → （空）；内存：8192MB → 4096MB；硬盘：… → （空）
    EXPECT_EQ(form.EventLog().LogLines()[3],
              "  CPU\xa3\xba" + kCpuModel + " \xa1\xfa 8\xa3\xbb\xd6\xf7\xb0\xe5\xa3\xba" +
                  "B360M \xa1\xfa " + kEmpty + "\xa3\xbb\xc4\xda\xb4\xe6\xa3\xba" +
                  "8192MB \xa1\xfa 4096MB\xa3\xbb\xd3\xb2\xc5\xcc\xa3\xba" + kDiskModel +
                  " \xa1\xfa " + kEmpty);

    Click(Control<QPushButton>(form, "refreshButton"));  // 刷新
    ASSERT_EQ(Column(kMac), (std::vector<std::string>{"AA-BB", "CC-DD", ""}));
    EXPECT_EQ(Cell(0, kCpu), "8");

    // Only a PC with history offers it.
    for (int row : {1, 2}) {
        RightClick(row);
        EXPECT_TRUE(History().RowMenu()->isVisible()) << row;
        EXPECT_FALSE(History().HistoryItem()->isEnabled()) << row;
        History().RowMenu()->hide();
    }
    HistoryWindow* history = OpenHistory(0);
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(ToGbk(history->window()->windowTitle()),
              text::Utf8ToGbk("PC名 （空），使用者 u，MAC AA-BB"));
    const std::string time = "2026-12-08 09:05:07";
    EXPECT_EQ(ListTexts(*history),
              (std::vector<std::vector<std::string>>{
                  {"\xd3\xb2\xc5\xcc", kDiskModel, kEmpty, time, "127.0.0.1"},  // 硬盘
                  {"\xc4\xda\xb4\xe6", "8192MB", "4096MB", time, "127.0.0.1"},  // 内存
                  {"\xd6\xf7\xb0\xe5", "B360M", kEmpty, time, "127.0.0.1"},     // 主板
                  {"CPU", kCpuModel, "8", time, "127.0.0.1"},
              }));

    // The memory really changed: everything else comes back, pending.
    auto* restore = Control<QPushButton>(*history, "RestoreButton");
    EXPECT_FALSE(restore->isEnabled());
    Select(*history, {0, 2, 3});
    ASSERT_TRUE(restore->isEnabled());
    Click(restore);
    EXPECT_EQ(Cell(0, kCpu), kCpuModel);
    EXPECT_EQ(Cell(0, kBoard), "B360M");
    EXPECT_EQ(Cell(0, kDisk), kDiskModel);
    EXPECT_EQ(Cell(0, kRam), "4096MB");
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 1u);
    EXPECT_EQ(Model(form)->data(Model(form)->index(0, kCpu), Qt::BackgroundRole),
              QVariant(InventoryModel::ChangedCellColor()));
    EXPECT_EQ(Db("select cpu from ip where mac='AA-BB'"), "8") << "nothing saved yet";

    history->window()->close();
    ASSERT_TRUE(WaitFor([&] { return NoWindowOpen(); }));
    Click(Control<QPushButton>(form, "saveButton"));  // 保存
    EXPECT_EQ(dialogs.informations, std::vector<std::string>{kSaved});
    EXPECT_EQ(Db("select cpu || '|' || board || '|' || rammax || '|' || yp from ip "
                 "where mac='AA-BB'"),
              kCpuModel + "|B360M|4096MB|" + kDiskModel);
    EXPECT_EQ(Db("select count(*) from ip_history"), "4") << "the grid's save records nothing";
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(HistoryWindowTest, ACopiedValueIsAnOrdinaryEditThatCancelDrops) {
    MakeDatabase(
        "insert into ip (bm, mac, cpu) values ('a', 'AA-BB', 'c');"
        "insert into ip_history (mac, field, oldvalue, newvalue, changetime, address) values "
        "('aa-bb', 'cpu', 'a', 'b', '2026-01-01 08:00:00', '10.0.0.1'),"
        "('AA-BB', 'cpu', 'b', 'c', '2026-02-01 08:00:00', '10.0.0.2'),"
        "('AA-BB', 'bz', null, 'x', '2026-02-01 08:00:00', '10.0.0.2');");
    MainWindow& form = Open();
    form.show();
    HistoryWindow* history = OpenHistory(0);
    ASSERT_NE(history, nullptr);
    ASSERT_EQ(ListTexts(*history).size(), 3u);
    EXPECT_EQ(ListTexts(*history)[0][1], kEmpty) << "a null old value";
    EXPECT_EQ(ListTexts(*history)[2][4], "10.0.0.1");

    // Of two entries of one column the newer one's old value counts.
    Select(*history, {1, 2});
    Click(Control<QPushButton>(*history, "RestoreButton"));
    EXPECT_EQ(Cell(0, kCpu), "b");
    EXPECT_EQ(Grid(form)->currentIndex(), Model(form)->index(0, kCpu));
    history->window()->close();

    dialogs.warningAnswer = ModalResult::Yes;
    Click(Control<QPushButton>(form, "cancelEditsButton"));  // 取消修改
    EXPECT_EQ(Cell(0, kCpu), "c");
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 0u);
    EXPECT_EQ(Db("select cpu from ip"), "c");
    EXPECT_TRUE(dialogs.errors.empty());

    // The main window may go while a PC's window is open.
    ASSERT_NE(OpenHistory(0), nullptr);
    program.reset();
}

TEST_F(HistoryWindowTest, AMacLessPcHasItsOwnHistoryAndRestoreSaysWhenItCannot) {
    // Two PCs whose reports came without a MAC; the neighbour table gives
    // none for loopback either.
    MakeDatabase(
        "insert into ip (bm, username, ip, mac, pcname, dh) values "
        "('a', 'zhang', '127.0.0.1', '', 'PC-Z', '8659'),"
        "('b', 'wang', '127.0.0.2', '', 'PC-W', '8660');");
    MainWindow& form = Open();
    form.show();
    Exchange(Port(), "GET /post?xipName=PC-Z&xipUserName=zhang&bm=a&dh=1234 HTTP/1.0\r\n\r\n");
    // The grid follows the report without 刷新.
    ASSERT_TRUE(WaitFor([&] { return Cell(0, kPhone) == "1234"; }));
    EXPECT_EQ(Cell(1, kPhone), "8660");
    RightClick(1);
    EXPECT_FALSE(History().HistoryItem()->isEnabled()) << "wang's row has no history";
    History().RowMenu()->hide();

    HistoryWindow* history = OpenHistory(0);
    ASSERT_NE(history, nullptr);
    EXPECT_EQ(ToGbk(history->window()->windowTitle()),
              text::Utf8ToGbk("PC名 PC-Z，使用者 zhang，MAC 未取得"));
    ASSERT_EQ(ListTexts(*history).size(), 1u);
    EXPECT_EQ(ListTexts(*history)[0][1], "8659");
    Select(*history, {0});
    Click(Control<QPushButton>(*history, "RestoreButton"));
    EXPECT_EQ(Cell(0, kPhone), "8659");
    EXPECT_TRUE(dialogs.informations.empty());
    // Pressed again, nothing is left to put back: a box says why.
    Click(Control<QPushButton>(*history, "RestoreButton"));
    ASSERT_EQ(dialogs.informations.size(), 1u);
    EXPECT_NE(dialogs.informations[0].find(text::Utf8ToGbk("尚未保存的修改")), std::string::npos);
    history->window()->close();
    ASSERT_TRUE(WaitFor([&] { return NoWindowOpen(); }));
    dialogs.warningAnswer = ModalResult::Yes;
    Click(Control<QPushButton>(form, "cancelEditsButton"));
    ASSERT_EQ(Cell(0, kPhone), "1234");
    // Saved back by hand: the grid then holds the entry's old value.
    Model(form)->SetFieldValue(0, Model(form)->FieldOfColumn(kPhone), std::string("8659"));
    Click(Control<QPushButton>(form, "saveButton"));
    ASSERT_EQ(Db("select dh from ip where pcname='PC-Z'"), "8659");
    dialogs.informations.clear();
    history = OpenHistory(0);
    ASSERT_NE(history, nullptr);
    Select(*history, {0});
    Click(Control<QPushButton>(*history, "RestoreButton"));
    ASSERT_EQ(dialogs.informations.size(), 1u);
    EXPECT_EQ(dialogs.informations[0],
              text::Utf8ToGbk("所选记录的原值与表格中的值相同，没有需要恢复的内容。"));
}

TEST_F(HistoryWindowTest, AnOldValueKeptOnlyInPartIsNotPutBack) {
    // The history keeps the first 4,084 bytes of a long value and a mark.
    MakeDatabase(
        "insert into ip (bm, mac, bz) values ('a', 'AA-BB', 'now');"
        "insert into ip_history (mac, field, oldvalue, newvalue, changetime, address) values "
        "('AA-BB', 'bz', substr(replace(hex(zeroblob(2042)), '0', 'x'), 1, 4084) || "
        "X'A1ADA3A8D2D1BDD8B6CFA3A9', 'now', '2026-02-01 08:00:00', '10.0.0.2');");
    Open().show();
    HistoryWindow* history = OpenHistory(0);
    ASSERT_NE(history, nullptr);
    Select(*history, {0});
    Click(Control<QPushButton>(*history, "RestoreButton"));
    EXPECT_EQ(Form().Inventory().Dataset().PendingCount(), 0u);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find(text::Utf8ToGbk("无法恢复")), std::string::npos);
}

TEST_F(HistoryWindowTest, AnInventoryWithoutHistoryGainsItAtStartUpWithItsRowsUnchanged) {
    MakeDatabase(
        "insert into ip (bm, mac, cpu, djsj) values ('a', 'AA-BB', 'c', '2020-01-02 03:04:05');"
        "insert into ip (bm, mac, rammax) values ('b', null, 8192);"
        "drop table ip_history;");
    const std::string rows =
        "select group_concat(rowid || typeof(rammax) || quote(mac) || quote(cpu) || "
        "quote(rammax) || quote(djsj) || quote(bm), ';') from ip";
    const std::string before = Db(rows);
    ASSERT_EQ(Db("select count(*) from sqlite_master where name like 'ip_history%'"), "0");

    MainWindow& form = Open();
    form.show();
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(Db("select count(*) from sqlite_master where name like 'ip_history%'"), "2");
    EXPECT_EQ(Db(rows), before);
    RightClick(0);
    EXPECT_FALSE(History().HistoryItem()->isEnabled());
    History().RowMenu()->hide();

    // Below the last row there is no row to ask about.
    History().HistoryItem()->setEnabled(true);
    InventoryGrid* grid = Grid(form);
    const QPoint below(5, grid->viewport()->height() - 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, below, grid->viewport()->mapToGlobal(below));
    QApplication::sendEvent(grid->viewport(), &event);
    EXPECT_FALSE(History().RowMenu()->isVisible());
}

}  // namespace
}  // namespace vantrel::app::test
