// A PC's window: opened from the grid's row indicator or the row menu, one
// per PC, its tabs reading the PC's row, identity values, monitors and
// history; 恢复原值 from its history; reports for the PC showing in it.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTabWidget>
#include <cstdlib>

#include "Edid.h"
#include "FixedTime.h"
#include "GbkConvert.h"
#include "HistoryWindow.h"
#include "InventoryFixture.h"
#include "InventoryHistory.h"
#include "PcMonitorTab.h"
#include "PcSummaryTab.h"
#include "PcTables.h"
#include "PcWindow.h"
#include "PcWindowTable.h"
#include "PcWindows.h"

namespace vantrel::app::test {
namespace {

std::string G(const char* utf8) {
    return text::Utf8ToGbk(utf8);
}

constexpr const char* kMacOfZhang = "00:E0:4C:00:0A:01";

class PcWindowTest : public InventoryFixture {
  protected:
    void SetUp() override {
        InventoryFixture::SetUp();
        options.clock = [] { return testsupport::LocalTime(2026, 12, 8, 9, 5, 7); };
    }

    // zhang's PC with everything a collector tells, li's with nothing but
    // its row; zhang's row comes first after the sort by department.
    MainWindow& OpenWithPcs() {
        MakeDatabase(
            std::string(kPcTablesSql) +
            "insert into ip (bm, username, ip, mac, pcname, cpu, board, rammax, os, pctype, "
            "bios) values ('a', 'zhang', '127.0.0.1', '" +
            kMacOfZhang +
            "', 'PC-ZHANG', 'i5-8500', 'Dell 0W0CHX', '16384MB', 'Windows 11 Pro 23H2', "
            "'Desktop', '1.21.0'),"
            "('b', 'li', '127.0.0.2', 'AA-BB', 'PC-LI', 'i3', '', '', '', '', '');"
            "insert into ip_device values ('00:e0:4c:00:0a:01', 'Dell Inc.', 'OptiPlex 7090', "
            "'CN0ABC123', '/7XYZ12/CN1296', 'CHS-77', 'A-0042', "
            "'4c4c4544-0042-3010-8051-b7c04f4b3732', '2026-12-01 08:00:00');"
            "insert into ip_knownmac values ('00:E0:4C:00:0A:01', '00:E0:4C:00:0A:01'),"
            "('02:4F:00:00:0A:09', '00:E0:4C:00:0A:01');"
            "insert into ip_monitor (mac, edid, pnp, product, serialnumber, serialtext, "
            "modelname, firstseen, lastseen, connected) values "
            "('00:E0:4C:00:0A:01', " +
            EdidBlob("aoc-2490w1") +
            ", 'AOC', 9360, '4202', 'AMUJ99A004202', '2490W1', "
            "'2026-01-05 08:00:00', '2026-11-02 17:30:00', 0),"
            "('00:E0:4C:00:0A:01', " +
            EdidBlob("dell-d3218hn") +
            ", 'DEL', 8203, '', 'X9R5K8864M1E', 'D3218HN', "
            "'2026-03-01 08:00:00', '2026-12-01 08:00:00', 1),"
            "('00:E0:4C:00:0A:01', X'00FFFFFFFFFFFF0010AC', '', 0, '', '', '', "
            "'2026-12-01 08:00:00', '2026-12-01 08:00:00', 1);"
            "insert into ip_history (mac, field, oldvalue, newvalue, changetime, address) values "
            "('00:E0:4C:00:0A:01', 'cpu', 'i7-9700', 'i5-8500', '2026-12-01 08:00:00', "
            "'127.0.0.1'),"
            "('00:E0:4C:00:0A:01', 'model', 'OptiPlex 7080', 'OptiPlex 7090', "
            "'2026-12-01 08:00:00', '127.0.0.1');");
        MainWindow& form = Open();
        form.show();
        return form;
    }

    InventoryHistory& History() { return Form().Inventory().History(); }

    void DoubleClickIndicator(int row) {
        QHeaderView* indicator = Tab().Grid().verticalHeader();
        const QPoint at(indicator->width() / 2, indicator->sectionViewportPosition(row) + 4);
        QTest::mouseDClick(indicator->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    void RightClick(int row) {
        InventoryGrid& grid = Tab().Grid();
        const QPoint at = grid.visualRect(Tab().Model().index(row, kUser)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid.viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid.viewport(), &event);
        History().RowMenu()->hide();
    }

    PcWindow* OnlyWindow() {
        const std::vector<PcWindow*> open = History().Windows().OpenWindows();
        EXPECT_EQ(open.size(), 1u);
        return open.empty() ? nullptr : open.front();
    }

    // With VANTREL_SCREENSHOTS naming a folder, each tab is saved there as
    // pc-window-<tab>.png, for the README.
    static void SaveTabs(PcWindow& window) {
        const char* folder = std::getenv("VANTREL_SCREENSHOTS");
        if (folder == nullptr) {
            return;
        }
        const std::pair<const char*, const char*> tabs[] = {
            {"概况", "summary"}, {"显示器", "monitors"}, {"变更记录", "history"}};
        for (const auto& [title, name] : tabs) {
            window.Pages().setCurrentWidget(window.TabTitled(G(title)));
            QCoreApplication::processEvents();
            window.grab().save(QString::fromUtf8(folder) + QStringLiteral("/pc-window-") +
                               QString::fromUtf8(name) + QStringLiteral(".png"));
        }
    }

    static std::vector<std::vector<std::string>> Rows(const PcWindowTable& table) {
        std::vector<std::vector<std::string>> rows;
        for (int r = 0; r < table.rowCount(); ++r) {
            std::vector<std::string> row;
            for (int c = 0; c < table.columnCount(); ++c) {
                row.push_back(table.CellText(r, c));
            }
            rows.push_back(row);
        }
        return rows;
    }
};

TEST_F(PcWindowTest, TheIndicatorOpensOneWindowPerPcWithItsValuesAndMonitors) {
    OpenWithPcs();
    ASSERT_EQ(Cell(0, kUser), "zhang");
    DoubleClickIndicator(0);
    PcWindow* window = OnlyWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(ToGbk(window->windowTitle()), G("PC名 PC-ZHANG，使用者 zhang，MAC ") + kMacOfZhang);
    std::vector<std::string> titles;
    for (int t = 0; t < window->Pages().count(); ++t) {
        titles.push_back(ToGbk(window->Pages().tabText(t)));
    }
    EXPECT_EQ(titles, (std::vector<std::string>{G("概况"), G("显示器"), G("软件"), G("资产"),
                                                G("变更记录")}));

    // 概况: the row's values as the grid titles them, then the machine.
    auto* summary = dynamic_cast<PcSummaryTab*>(window->TabTitled(G("概况")));
    ASSERT_NE(summary, nullptr);
    const std::pair<const char*, std::string> values[] = {
        {"部门", "a"},
        {"使用者", "zhang"},
        {"CPU", "i5-8500"},
        {"PC名", "PC-ZHANG"},
        {"厂商", "Dell Inc."},
        {"型号", "OptiPlex 7090"},
        {"序列号", "CN0ABC123"},
        {"主板序列号", "/7XYZ12/CN1296"},
        {"机箱序列号", "CHS-77"},
        {"UUID", "4c4c4544-0042-3010-8051-b7c04f4b3732"},
        {"资产标签", "A-0042"},
        {"网卡厂商", "REALTEK SEMICONDUCTOR CORP." + G("、本地分配")},
        {"最近在线", G("从未在线")},
    };
    for (const auto& [title, value] : values) {
        EXPECT_EQ(summary->ValueOf(G(title)), value) << title;
    }
    std::vector<std::string> macs;
    for (const auto& row : Rows(summary->Values())) {
        if (row[0] == G("已知MAC地址")) {
            macs.push_back(row[1]);
        }
    }
    EXPECT_EQ(macs, (std::vector<std::string>{
                        std::string(kMacOfZhang) + G("（REALTEK SEMICONDUCTOR CORP.）"),
                        "02:4F:00:00:0A:09" + G("（本地分配）")}));

    // 显示器: connected first; the unplugged one greyed with its last date.
    auto* monitors = dynamic_cast<PcMonitorTab*>(window->TabTitled(G("显示器")));
    ASSERT_NE(monitors, nullptr);
    const auto shown = Rows(monitors->Monitors());
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], (std::vector<std::string>{inventory::MonitorMakerName("DEL"), "D3218HN",
                                                  "X9R5K8864M1E" + G("（数字序列号 16843009）"),
                                                  G("70x39 厘米，31.5 英寸"), G("2018 年第 32 周"),
                                                  "2026-03-01", "2026-12-01", G("已接上")}));
    EXPECT_NE(shown[1][1].find(G("EDID 损坏")), std::string::npos) << shown[1][1];
    EXPECT_EQ(shown[2][0], inventory::MonitorMakerName("AOC"));
    EXPECT_EQ(shown[2][2], "AMUJ99A004202" + G("（数字序列号 4202）"));
    EXPECT_EQ(shown[2][7], G("已拔下（最近报告于 2026-11-02）"));
    const QColor grey = monitors->Monitors().item(2, 0)->foreground().color();
    EXPECT_NE(grey, monitors->Monitors().item(0, 0)->foreground().color());

    SaveTabs(*window);

    // Copied as a spreadsheet takes it.
    window->ShowTab(G("显示器"));
    monitors->Monitors().setFocus();
    monitors->Monitors().selectRow(2);
    QTest::keyClick(&monitors->Monitors(), Qt::Key_C, Qt::ControlModifier);
    const QString copied = QApplication::clipboard()->text();
    EXPECT_TRUE(copied.startsWith(FromGbk(shown[2][0] + "\t2490W1\t"))) << copied.toStdString();
    EXPECT_EQ(copied.count(QLatin1Char('\t')), 7);

    // Again: the same window, raised; li's PC has a window of its own,
    // empty where nothing is known.
    DoubleClickIndicator(0);
    EXPECT_EQ(OnlyWindow(), window);
    DoubleClickIndicator(1);
    ASSERT_EQ(History().Windows().OpenWindows().size(), 2u);
    PcWindow* other = History().Windows().Find("aa-bb");
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, window);
    auto* otherSummary = dynamic_cast<PcSummaryTab*>(other->TabTitled(G("概况")));
    EXPECT_EQ(otherSummary->ValueOf(G("型号")), "");
    EXPECT_EQ(otherSummary->ValueOf(G("使用者")), "li");
    EXPECT_EQ(dynamic_cast<PcMonitorTab*>(other->TabTitled(G("显示器")))->Monitors().rowCount(), 0);
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PcWindowTest, TheHistoryTabRestoresIntoTheRowAndReportsShowInTheWindow) {
    MainWindow& form = OpenWithPcs();
    RightClick(0);
    ASSERT_TRUE(History().HistoryItem()->isEnabled());
    History().HistoryItem()->trigger();
    PcWindow* window = OnlyWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ToGbk(window->Pages().tabText(window->Pages().currentIndex())), G("变更记录"));
    auto* history = window->findChild<HistoryWindow*>();
    ASSERT_NE(history, nullptr);
    auto* list = history->findChild<PcWindowTable*>(QStringLiteral("HistoryList"));
    ASSERT_EQ(list->rowCount(), 2);
    // The new facts are titled as the grid titles its columns.
    EXPECT_EQ(list->CellText(0, 0), G("型号"));
    EXPECT_EQ(list->CellText(1, 0), "CPU");

    // A value of the row comes back as a pending edit; one of another
    // table has no cell to go to, and a box says so.
    list->selectRow(1);
    QTest::mouseClick(history->findChild<QPushButton*>(QStringLiteral("RestoreButton")),
                      Qt::LeftButton);
    EXPECT_EQ(Cell(0, 4), "i7-9700");
    EXPECT_EQ(form.Inventory().Dataset().PendingCount(), 1u);
    list->selectRow(0);
    QTest::mouseClick(history->findChild<QPushButton*>(QStringLiteral("RestoreButton")),
                      Qt::LeftButton);
    ASSERT_EQ(dialogs.informations.size(), 1u);
    EXPECT_NE(dialogs.informations[0].find(G("不在表格中")), std::string::npos);
    dialogs.warningAnswer = ModalResult::Yes;
    Click(Control<QPushButton>(form, "cancelEditsButton"));

    // 详细信息 raises the same window; a report for the PC shows in it.
    RightClick(0);
    History().DetailsItem()->trigger();
    ASSERT_EQ(OnlyWindow(), window);
    auto* summary = dynamic_cast<PcSummaryTab*>(window->TabTitled(G("概况")));
    Exchange(Port(),
             std::string("GET /post?xipMac=") + kMacOfZhang +
                 "&xipUserName=zhang&bm=a&xipName=PC-ZHANG&xipCpu=i9-13900 HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(WaitFor([&] { return summary->ValueOf("CPU") == "i9-13900"; }));
    // The history tab follows too.
    bool listed = false;
    for (int r = 0; r < list->rowCount(); ++r) {
        listed = listed || (list->CellText(r, 0) == "CPU" && list->CellText(r, 2) == "i9-13900");
    }
    EXPECT_TRUE(listed);
    EXPECT_NE(summary->ValueOf(G("最近提交")), G("无记录"));
    // The window goes with the main window.
    program.reset();
    EXPECT_TRUE(dialogs.errors.empty());
}

}  // namespace
}  // namespace vantrel::app::test
