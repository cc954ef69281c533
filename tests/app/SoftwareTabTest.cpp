// The tab 软件 on a shown window and a PC's tab 软件: the counted lines,
// the filter and the packages box, a licence by name and by pattern with
// its shortfall in red, a drill-down to the inventory tab, and an export
// that the spreadsheet import reads back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QBrush>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include "GbkConvert.h"
#include "InventoryDatabase.h"
#include "OverviewTab.h"
#include "PcSoftwareTab.h"
#include "SheetReader.h"
#include "SoftwareTab.h"
#include "SoftwareTabModel.h"
#include "WindowFixture.h"

namespace vantrel::app::test {
namespace {

std::string G(const char* utf8) {
    return text::Utf8ToGbk(utf8);
}

// Three PCs: two with Office (two names of one suite) and WPS, one with
// WPS alone, and a Linux package that is no application.
const char kInventory[] =
    "insert into ip (username, mac, ip) values ('amy', '02:00:00:00:00:01', '127.0.0.2'),"
    "('bob', '02:00:00:00:00:02', '127.0.0.3'), ('cat', '02:00:00:00:00:03', '127.0.0.4'),"
    "('dan', '02:00:00:00:00:04', '127.0.0.5');"
    "insert into ip_software (mac,name,version,publisher,installdate,bits,scope,app) values "
    "('02:00:00:00:00:01','Microsoft Office Word','16.0','Microsoft Corporation','2024-01-02',"
    "'64','machine',1),"
    "('02:00:00:00:00:01','Microsoft Office Excel','16.0','Microsoft Corporation','','64',"
    "'machine',1),"
    "('02:00:00:00:00:01','WPS Office','12.1.0','Kingsoft','','32','machine',1),"
    "('02:00:00:00:00:02','Microsoft Office Word','15.0','Microsoft Corporation','','64',"
    "'machine',1),"
    "('02:00:00:00:00:02','WPS Office','11.2.0','Kingsoft','','32','user',1),"
    "('02:00:00:00:00:03','WPS Office','12.1.0','Kingsoft','','32','machine',1),"
    "('02:00:00:00:00:03','libc6','2.36','Debian','','64','dpkg',0);"
    "insert into ip_softlist (mac,digest,listtime,programs) values "
    "('02:00:00:00:00:01','a','2024-05-06 09:07:03',3),('02:00:00:00:00:02','b','x',2),"
    "('02:00:00:00:00:03','c','x',2);";

class SoftwareTabTest : public WindowFixture {
  protected:
    MainWindow& OpenShown() {
        MakeDatabase(kInventory);
        MainWindow& form = Open();
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        return form;
    }
    SoftwareTab& Tab() { return program->Window().Software(); }
    SoftwareTabModel& Lines() { return Tab().Model(); }
    void ShowTab() {
        program->Window().Pages().setCurrentWidget(Tab().Page());
        Tab().WaitForCount();
    }
    int RowOf(const char* name) {
        for (int r = 0; r < Lines().rowCount(); ++r) {
            if (Lines().LineAt(r).name == name) {
                return r;
            }
        }
        return -1;
    }
    std::string Cell(int row, int column) {
        return ToGbk(Lines().data(Lines().index(row, column), Qt::DisplayRole).toString());
    }
    bool Red(int row) { return Lines().data(Lines().index(row, 0), Qt::ForegroundRole).isValid(); }
};

TEST_F(SoftwareTabTest, LinesByPcsFilteredAndApplicationsOnlyUnlessAsked) {
    MainWindow& form = OpenShown();
    QTabWidget& pages = form.Pages();
    EXPECT_EQ(pages.indexOf(Tab().Page()), pages.indexOf(form.Overview().Page()) + 1);
    EXPECT_EQ(pages.tabText(pages.indexOf(Tab().Page())), QString::fromUtf8("软件"));
    ShowTab();
    ASSERT_EQ(Lines().rowCount(), 3);
    EXPECT_EQ(Cell(0, SoftwareTabModel::kName), "WPS Office");
    EXPECT_EQ(Cell(0, SoftwareTabModel::kPcs), "3");
    EXPECT_EQ(Cell(0, SoftwareTabModel::kVersions), "11.2.0, 12.1.0");
    EXPECT_EQ(Cell(0, SoftwareTabModel::kPublisher), "Kingsoft");

    struct FilterCase {
        const char* text;
        bool all;
        int rows;
    };
    const FilterCase cases[] = {
        {"", true, 4},        {"MICRO", false, 2}, {"kingsoft", false, 1},
        {"debian", false, 0}, {"debian", true, 1}, {"  word ", false, 1},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.text);
        Tab().AllPackagesBox()->setChecked(c.all);
        Tab().FilterEdit()->setText(QString::fromUtf8(c.text));
        EXPECT_EQ(Lines().rowCount(), c.rows);
    }
}

TEST_F(SoftwareTabTest, LicencesByNameAndPatternAndTheShortfallInRed) {
    OpenShown();
    ShowTab();
    const int wps = RowOf("WPS Office");
    ASSERT_GE(wps, 0);
    EXPECT_FALSE(Red(wps));
    // 授权数 typed into the line: 2 seats for 3 PCs.
    ASSERT_TRUE(Lines().flags(Lines().index(wps, SoftwareTabModel::kSeats)) & Qt::ItemIsEditable);
    EXPECT_FALSE(Lines().setData(Lines().index(wps, SoftwareTabModel::kSeats), QStringLiteral("-1"),
                                 Qt::EditRole));
    EXPECT_TRUE(Lines().setData(Lines().index(wps, SoftwareTabModel::kSeats), QStringLiteral("2"),
                                Qt::EditRole));
    EXPECT_EQ(Cell(wps, SoftwareTabModel::kShortfall), "1");
    EXPECT_TRUE(Red(wps));
    EXPECT_EQ(
        QueryText(options.databasePath, "select seats from ip_licence where pattern='WPS Office'"),
        "2");

    // One pattern for both Office names: 2 PCs against 1 seat.
    Tab().PatternEdit()->setText(QStringLiteral("microsoft office*"));
    Tab().SeatsBox()->setValue(1);
    QTest::mouseClick(Control<QPushButton>(*Tab().Page(), "setLicence"), Qt::LeftButton);
    const int word = RowOf("Microsoft Office Word");
    const int excel = RowOf("Microsoft Office Excel");
    EXPECT_EQ(Cell(word, SoftwareTabModel::kShortfall), "1");
    EXPECT_EQ(Cell(excel, SoftwareTabModel::kShortfall), "1");
    EXPECT_TRUE(Red(word) && Red(excel));
    // Raising the pattern's seats from one of its lines clears both.
    EXPECT_TRUE(Lines().setData(Lines().index(excel, SoftwareTabModel::kSeats), QStringLiteral("5"),
                                Qt::EditRole));
    EXPECT_FALSE(Red(word) || Red(excel));
    EXPECT_EQ(QueryText(options.databasePath,
                        "select seats from ip_licence where pattern='microsoft office*'"),
              "5");
    // The overview counts the programs short of licences, and the PCs with a list.
    program->Window().Pages().setCurrentWidget(program->Window().Overview().Page());
    QCoreApplication::processEvents();
    program->Window().Overview().Shown();
    EXPECT_TRUE(Control<QPushButton>(program->Window(), "licenceShortCard")
                    ->text()
                    .startsWith(QStringLiteral("1\n")));
    EXPECT_TRUE(Control<QPushButton>(program->Window(), "softwareListCard")
                    ->text()
                    .startsWith(QStringLiteral("3 / 4\n")));
}

TEST_F(SoftwareTabTest, AClickShowsThePcsThatHaveTheProgramOnTheInventoryTab) {
    MainWindow& form = OpenShown();
    ShowTab();
    const int word = RowOf("Microsoft Office Word");
    QTableView* view = Tab().View();
    view->scrollTo(Lines().index(word, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(Lines().index(word, 0)).center());
    EXPECT_EQ(form.Pages().currentWidget(), form.Inventory().Page());
    EXPECT_EQ(Model(form)->rowCount(), 2);
    // One version of it.
    Tab().DrillDownTo(word, "15.0");
    ASSERT_EQ(Model(form)->rowCount(), 1);
    const int usernameColumn = 1;
    EXPECT_EQ(GridColumn(form, usernameColumn), std::vector<std::string>{"bob"});
}

TEST_F(SoftwareTabTest, TheExportReadsBackThroughTheImport) {
    OpenShown();
    ShowTab();
    Tab().AllPackagesBox()->setChecked(true);
    const auto shown = Lines().ShownTexts();
    for (const char* name : {"software.xlsx", "software.csv"}) {
        SCOPED_TRACE(name);
        dialogs.saveAnswer = SaveDialogAnswer{Path(name), 1};
        Tab().Export();
        std::unique_ptr<import::SheetReader> reader = import::OpenSheet(Path(name));
        std::vector<std::vector<std::string>> read;
        std::vector<std::string> cells;
        while (reader->NextRow(cells)) {
            cells.resize(SoftwareTabModel::kColumns);
            read.push_back(cells);
        }
        EXPECT_EQ(read, shown);
        EXPECT_EQ(read.front().front(), G("名称"));
    }
}

TEST_F(SoftwareTabTest, APcsTabListsItsProgramsWithTheListsDate) {
    MainWindow& form = OpenShown();
    store::InventoryDatabase connection;
    connection.Open(options.databasePath);
    PcSoftwareTab tab(PcWindowTabContext{connection, form}, nullptr);
    EXPECT_EQ(tab.Title(), G("软件"));
    tab.ShowPc({"02:00:00:00:00:01", "02:00:00:00:00:01", "", "amy"});
    EXPECT_TRUE(tab.ListLabel()->text().contains(QStringLiteral("2024-05-06 09:07:03")));
    ASSERT_EQ(tab.Table()->rowCount(), 3);
    tab.FilterEdit()->setText(QStringLiteral("kingSOFT"));
    ASSERT_EQ(tab.Table()->rowCount(), 1);
    EXPECT_EQ(tab.Table()->item(0, 0)->text(), QStringLiteral("WPS Office"));
    EXPECT_EQ(tab.Table()->item(0, 4)->text(), QString::fromUtf8("32 位"));
    tab.ShowPc({"02:00:00:00:00:04", "02:00:00:00:00:04", "", "dan"});
    EXPECT_EQ(tab.Table()->rowCount(), 0);
    EXPECT_TRUE(tab.ListLabel()->text().contains(QString::fromUtf8("还没有")));
}

}  // namespace
}  // namespace vantrel::app::test
