// The overview tab on a shown window: its counts, a click on a bar or card
// that shows those rows on the inventory tab, the hints of an empty
// inventory, a real sweep recording sightings, and 保存图片.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>

#include "FakeNbns.h"
#include "FilterLine.h"
#include "GbkConvert.h"
#include "InventoryHistory.h"
#include "InventoryOverview.h"
#include "OverviewTab.h"
#include "WindowFixture.h"

namespace vantrel::app::test {
namespace {

using inventory::Dimension;
using testsupport::FakeNbns;
using testsupport::LoopbackRange;

std::string G(const char* utf8) {
    return text::Utf8ToGbk(utf8);
}

std::string CountNotice(std::size_t n) {
    return G("共有") + std::to_string(n) + G("条记录");
}

// Five PCs; djsj is left to its default (now) but for the old one.
const char kInventory[] =
    "insert into ip (bm, username, mac, ip, rammax, cpu) values "
    "('IT', 'amy', '00-0C-29-00-00-01', '127.0.0.2', '8192MB', 'Intel(R) Core(TM) i5-8500'),"
    "('IT', 'bob', '00-0C-29-00-00-02', '127.0.0.9', '4096MB', 'AMD Ryzen 5 3600'),"
    "('HR', 'cat', '02-00-00-00-00-03', '127.0.0.3', '8 GB', 'Intel(R) Core(TM) i5-7500'),"
    "('HR', 'dan', '00-0C-29-00-00-04', '127.0.0.4', '3.87 GB', 'Intel(R) Celeron(R) J1900');"
    "insert into ip (bm, username, mac, ip, djsj) values "
    "('OPS', 'eve', '00-0C-29-00-00-05', '127.0.0.5', '2001-01-01 00:00:00');";

class OverviewTabTest : public WindowFixture {
  protected:
    MainWindow& OpenShown(const std::string& seed) {
        MakeDatabase(seed);
        MainWindow& form = Open();
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        return form;
    }

    OverviewTab& Overview() { return program->Window().Overview(); }

    const inventory::Overview& ShowOverview() {
        program->Window().Pages().setCurrentWidget(Overview().Page());
        QCoreApplication::processEvents();
        return Overview().Shown();
    }

    // Clicks the middle of a bar of a chart with the mouse.
    void ClickBar(Dimension dimension, int bar) {
        QChart* chart = Overview().Chart(dimension);
        ASSERT_NE(chart, nullptr);
        ASSERT_FALSE(chart->series().isEmpty());
        auto* series = qobject_cast<QAbstractBarSeries*>(chart->series().front());
        ASSERT_NE(series, nullptr);
        const double value = series->barSets().front()->at(bar);
        const bool horizontal = qobject_cast<QHorizontalBarSeries*>(series) != nullptr;
        const QPointF middle = horizontal ? QPointF(value / 2, bar) : QPointF(bar, value / 2);
        auto* view = qobject_cast<QChartView*>(chart->scene()->views().front());
        ASSERT_NE(view, nullptr);
        const QPoint at =
            view->mapFromScene(chart->mapToScene(chart->mapToPosition(middle, series)));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    }

    std::vector<std::string> Users() { return GridColumn(program->Window(), 1); }
    QLineEdit* SearchText() { return Control<QLineEdit>(program->Window(), "searchTextEdit"); }
};

TEST_F(OverviewTabTest, ClicksOnBarsAndCardsShowExactlyTheRowsCounted) {
    MainWindow& form = OpenShown(kInventory);
    const inventory::Overview& shown = ShowOverview();
    EXPECT_EQ(shown.total, 5u);
    EXPECT_EQ(shown.reported30, 0u);  // rows written straight into ip are no reports
    EXPECT_TRUE(Overview().Card(Dimension::Reported30)->toolTip().contains(QStringLiteral("导入")));
    EXPECT_EQ(shown.notSeen90, 1u);
    EXPECT_EQ(shown.online, 0u);
    ASSERT_EQ(shown.memory.size(), 3u);  // 4 GB, 8 GB, 未知
    EXPECT_EQ(shown.memory[1].label, "8 GB");
    EXPECT_EQ(shown.memory[1].count, 2u);

    // A bucket the search bar cannot express: the line above the grid says
    // it in words, whole.
    ClickBar(Dimension::Memory, 1);
    EXPECT_EQ(form.Pages().currentWidget(), form.Inventory().Page());
    EXPECT_EQ(Users(), (std::vector<std::string>{"cat", "amy"}));  // sorted by bm
    EXPECT_EQ(dialogs.informations.back(), CountNotice(2));
    EXPECT_EQ(SearchText()->text(), QString());
    FilterLine& line = form.Inventory().ChoiceLine();
    ASSERT_TRUE(line.isVisible());
    EXPECT_EQ(ToGbk(line.Text()), G("统计概况：内存大小 = 8 GB"));
    auto* words = line.findChild<QLabel*>(QStringLiteral("filterWords"));
    const QRect room = words->contentsRect();
    const QRect needed = words->fontMetrics().boundingRect(room, Qt::TextWordWrap, words->text());
    EXPECT_LE(needed.width(), room.width());
    EXPECT_LE(needed.height(), room.height());
    EXPECT_EQ(Control<QComboBox>(form, "fieldCombo")->currentIndex(), 10);  // 内存

    // 全部数据 undoes it.
    QTest::mouseClick(Control<QPushButton>(form, "showAllButton"), Qt::LeftButton);
    EXPECT_EQ(Users().size(), 5u);
    EXPECT_FALSE(line.isVisible());

    // A department is a search the bar shows as one.
    ShowOverview();
    ASSERT_EQ(Overview().Shown().departments.front().label, "HR");  // ties by name
    ClickBar(Dimension::Department, 2);  // drawn bottom up: the top bar is the first
    EXPECT_EQ(SearchText()->text(), QStringLiteral("HR"));
    EXPECT_EQ(ToGbk(line.Text()), G("部门 等于 HR"));
    EXPECT_EQ(Users(), (std::vector<std::string>{"cat", "dan"}));

    // A card: not seen for 90 days; a search afterwards drops the choice.
    ShowOverview();
    QTest::mouseClick(Overview().Card(Dimension::NotSeen90), Qt::LeftButton);
    EXPECT_EQ(Users(), (std::vector<std::string>{"eve"}));
    EXPECT_EQ(dialogs.informations.back(), CountNotice(1));
    SearchText()->setText(QStringLiteral("IT"));
    Control<QComboBox>(form, "fieldCombo")->setCurrentIndex(0);
    QTest::mouseClick(Control<QPushButton>(form, "searchButton"), Qt::LeftButton);
    EXPECT_EQ(Users(), (std::vector<std::string>{"amy", "bob"}));
    EXPECT_FALSE(line.isVisible());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(OverviewTabTest, AnEmptyInventoryShowsZerosAndHintsInsteadOfAxes) {
    OpenShown("");
    const inventory::Overview& shown = ShowOverview();
    EXPECT_EQ(shown.total, 0u);
    for (Dimension card :
         {Dimension::All, Dimension::Reported30, Dimension::Online, Dimension::NotSeen90}) {
        EXPECT_TRUE(Overview().Card(card)->text().startsWith(QStringLiteral("0\n")));
    }
    for (Dimension chart : {Dimension::Department, Dimension::System, Dimension::Memory,
                            Dimension::PcType, Dimension::CpuFamily, Dimension::NicMaker}) {
        EXPECT_TRUE(Overview().ShowsHint(chart));
    }
    // A card of nothing still switches and shows no rows.
    QTest::mouseClick(Overview().Card(Dimension::All), Qt::LeftButton);
    EXPECT_EQ(dialogs.informations.back(), CountNotice(0));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(OverviewTabTest, ASweepRecordsSightingsInAFileThatLackedTheTable) {
    FakeNbns nbns(LoopbackRange(1, 3));
    nbns.Answer("127.0.0.2", testsupport::NodeStatusAnswer(
                                 {{"AMYPC", 0x20}}, std::string("\x00\x0C\x29\x00\x00\x01", 6)));
    // Samba's answer gives no MAC: the row is matched by its address.
    nbns.Answer("127.0.0.3", ReadFile(VANTREL_TEST_DATA "/nbstat/samba-gbk-name.bin"));
    options.nbnsPort = nbns.Port();
    MainWindow& form = OpenShown(std::string(kInventory) + "drop table ip_seen;");
    Control<QLineEdit>(form, "firstAddressEdit")->setText(QStringLiteral("127.0.0.1"));
    Control<QLineEdit>(form, "lastAddressEdit")->setText(QStringLiteral("127.0.0.3"));
    QTest::mouseClick(Control<QPushButton>(form, "sweepButton"), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return form.Scan().Tag() == 0; }));
    form.Scan().FlushSightings();  // a late answer may still be waiting for its second
    const std::string db = options.databasePath;
    EXPECT_EQ(QueryText(db,
                        "select address || ' ' || netbiosname from ip_seen "
                        "where seenkey = '000C29000001'"),
              "127.0.0.2 AMYPC");
    EXPECT_EQ(QueryText(db, "select netbiosname from ip_seen where seenkey = 'IP 127.0.0.3'"),
              "\xB2\xC6\xCE\xF1PC01");
    EXPECT_EQ(ShowOverview().online, 2u);

    // The row's menu tells when it was online and whether it reported.
    form.Pages().setCurrentWidget(form.Inventory().Page());
    InventoryHistory& history = form.Inventory().History();
    InventoryGrid* grid = Grid(form);
    const auto users = Users();
    const int amy = static_cast<int>(std::find(users.begin(), users.end(), "amy") - users.begin());
    const QPoint at = grid->visualRect(Model(form)->index(amy, 1)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
    QApplication::sendEvent(grid->viewport(), &event);
    const QString online = history.LastOnlineItem()->text();
    EXPECT_TRUE(online.startsWith(QString::fromUtf8("最近在线："))) << online.toStdString();
    EXPECT_TRUE(online.endsWith(QStringLiteral("127.0.0.2"))) << online.toStdString();
    EXPECT_EQ(history.LastReportItem()->text(), QString::fromUtf8("最近提交：无记录"));
    history.RowMenu()->hide();

    // The MAC cells of both lists name the maker; the cells stay as they are.
    const QModelIndex mac = Model(form)->index(amy, 3);
    EXPECT_EQ(Model(form)->data(mac, Qt::ToolTipRole).toString(),
              QStringLiteral("00-0C-29-00-00-01\nVMware, Inc."));
    EXPECT_EQ(Model(form)->data(mac).toString(), QStringLiteral("00-0C-29-00-00-01"));
    const QModelIndex listed = OnlineCells(form)->index(0, 2);
    EXPECT_EQ(OnlineCells(form)->data(listed).toString(), QStringLiteral("00.0C.29.00.00.01"));
    EXPECT_EQ(OnlineCells(form)->data(listed, Qt::ToolTipRole).toString(),
              QStringLiteral("VMware, Inc."));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(OverviewTabTest, ReportsRefreshTheShownTabAndTheImageIsSaved) {
    MainWindow& form = OpenShown(kInventory);
    EXPECT_EQ(ShowOverview().total, 5u);
    Exchange(Port(),
             "GET /post?xipUserName=fay&xipMac=00-0C-29-00-00-06&xipIp=127.0.0.6 HTTP/1.0\r\n\r\n");
    // Counted anew within the 2 s the tab waits between counts.
    ASSERT_TRUE(WaitFor([&] { return Overview().Shown().total == 6u; }));
    EXPECT_EQ(Overview().Shown().reported30, 1u);

    dialogs.saveAnswer = SaveDialogAnswer{Path("overview.png"), 1};
    QTest::mouseClick(Control<QPushButton>(form, "saveImageButton"), Qt::LeftButton);
    EXPECT_EQ(ReadFile(Path("overview.png")).substr(0, 4), "\x89PNG");
    // A file that cannot be written is an error, not a silent nothing.
    dialogs.saveAnswer = SaveDialogAnswer{Path("no-such-folder/overview.png"), 1};
    QTest::mouseClick(Control<QPushButton>(form, "saveImageButton"), Qt::LeftButton);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].rfind(G("无法保存图片："), 0), 0u);
}

}  // namespace
}  // namespace vantrel::app::test
