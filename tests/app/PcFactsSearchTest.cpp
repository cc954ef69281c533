// The PCs' identity values and monitors in the inventory tab's search
// (型号, 序列号) and in the overview (the maker-and-model chart, the
// monitor card) and their drill-downs.
#include <gtest/gtest.h>

#include <QComboBox>

#include "FilterLine.h"
#include "FixedTime.h"
#include "GbkConvert.h"
#include "InventoryFixture.h"
#include "InventoryOverview.h"
#include "InventorySearch.h"
#include "OverviewTab.h"
#include "PcTables.h"

namespace vantrel::app::test {
namespace {

using inventory::Dimension;

std::string G(const char* utf8) {
    return text::Utf8ToGbk(utf8);
}

// amy's and the extra Dell's PCs are Dells; bob's Lenovo has its serials on
// board and chassis; cat's PC reported without a MAC; dan's has only a
// monitor; nine more PCs of one maker, nine models.
const std::string kPcs =
    std::string(kPcTablesSql) +
    "insert into ip (bm, username, mac, ip, pcname) values "
    "('a', 'amy', 'AA-01', '127.0.0.1', 'PC-AMY'),"
    "('b', 'bob', 'AA-02', '127.0.0.2', 'PC-BOB'),"
    "('c', 'cat', '', '127.0.0.3', 'PC-CAT'),"
    "('d', 'dan', 'AA-04', '127.0.0.4', 'PC-DAN'),"
    "('e', 'eve', 'AA-05', '127.0.0.5', 'PC-EVE');"
    "insert into ip_device (mac, maker, model, serial, boardserial, chassisserial) values "
    "('aa-01', 'Dell Inc.', 'OptiPlex 7090', 'CN0ABC123', '', ''),"
    "('AA-05', 'Dell Inc.', 'OptiPlex 7090', '', '', ''),"
    "('AA-02', 'LENOVO', 'ThinkCentre M720q', '', 'L1HF9AB', 'MJ0XYZ'),"
    "('no-mac' || char(9) || '127.0.0.3' || char(9) || 'PC-CAT', 'HP', 'ProDesk 400 G7', "
    "'CZC1234', '', '');"
    "insert into ip_monitor (mac, serialnumber, serialtext, connected) values "
    "('AA-04', '4202', 'AMUJ99A004202', 1),"
    "('AA-01', '16843009', '', 1),"
    "('AA-01', '', 'OLD555', 0);"
    "with recursive n(i) as (select 1 union all select i + 1 from n where i < 9) "
    "insert into ip (bm, username, mac) select 'z', 'box' || i, 'BB-0' || i from n;"
    "with recursive n(i) as (select 1 union all select i + 1 from n where i < 9) "
    "insert into ip_device (mac, maker, model) select 'bb-0' || i, 'Acme', 'Box ' || i from n;";

class PcFactsSearchTest : public InventoryFixture {
  protected:
    MainWindow& OpenPcs(const std::string& seed = kPcs) {
        options.clock = [] { return testsupport::LocalTime(2026, 12, 8, 9, 5, 7); };
        MakeDatabase(seed);
        MainWindow& form = Open();
        form.show();
        return form;
    }

    // Searches the field at `place` of the list.
    void Search(int place, bool equals, const char* text) {
        MainWindow& form = Form();
        Control<QComboBox>(form, "fieldCombo")->setCurrentIndex(place);
        Control<QComboBox>(form, "matchCombo")->setCurrentIndex(equals ? 0 : 1);
        Control<QLineEdit>(form, "searchTextEdit")->setText(QString::fromUtf8(text));
        Click(Control<QPushButton>(form, "searchButton"));
    }

    std::vector<std::string> Users() {
        std::vector<std::string> users = Column(kUser);
        return users;
    }

    OverviewTab& Overview() { return Form().Overview(); }
};

constexpr int kModel = 13;
constexpr int kSerial = 14;

TEST_F(PcFactsSearchTest, ModelAndSerialsFollowTheThirteenFieldsAndFindTheirPcs) {
    MainWindow& form = OpenPcs();
    auto* fields = Control<QComboBox>(form, "fieldCombo");
    ASSERT_EQ(fields->count(), 15);
    EXPECT_EQ(ToGbk(fields->itemText(0)), G("部门"));
    EXPECT_EQ(ToGbk(fields->itemText(12)), G("电话"));
    EXPECT_EQ(ToGbk(fields->itemText(kModel)), G("型号"));
    EXPECT_EQ(ToGbk(fields->itemText(kSerial)), G("序列号"));

    struct Case {
        int field;
        bool equals;
        const char* text;
        std::vector<std::string> users;  // sorted by department
    };
    const Case cases[] = {
        {kModel, false, "optiplex", {"amy", "eve"}},
        {kModel, true, "thinkcentre m720q", {"bob"}},
        {kModel, true, "ThinkCentre", {}},
        {kModel, false, "400 G7", {"cat"}},   // a row without a MAC
        {kSerial, false, "cn0abc", {"amy"}},  // the system's
        {kSerial, true, "L1HF9AB", {"bob"}},  // the board's
        {kSerial, false, "MJ0", {"bob"}},     // the chassis's
        {kSerial, false, "99a004", {"dan"}},  // a monitor's text serial
        {kSerial, true, "4202", {"dan"}},     // a monitor's numeric serial
        {kSerial, false, "OLD5", {"amy"}},    // an unplugged monitor's
        {kSerial, false, "1234", {"cat"}},
        {kSerial, false, "nowhere", {}},
    };
    for (const Case& c : cases) {
        dialogs.informations.clear();
        Search(c.field, c.equals, c.text);
        EXPECT_EQ(Users(), c.users) << c.text;
        ASSERT_EQ(dialogs.informations.size(), 1u) << c.text;
        EXPECT_EQ(dialogs.informations[0],
                  G("共有") + std::to_string(c.users.size()) + G("条记录"));
    }
    // The search stays through 保存's re-read and sees what reports stored
    // since: a serial that arrives is found at the next re-read.
    Search(kSerial, false, "NEW-77");
    EXPECT_TRUE(Users().empty());
    RunSql(options.databasePath, "update ip_device set serial = 'NEW-77' where mac = 'AA-02'");
    form.Inventory().Search().Reload();
    EXPECT_EQ(Users(), (std::vector<std::string>{"bob"}));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PcFactsSearchTest, AFileWithoutTheTablesFindsNothingWithoutAnError) {
    OpenPcs(
        "insert into ip (bm, username, mac) values ('a', 'amy', 'AA-01');"
        "drop table if exists ip_device; drop table if exists ip_monitor;");
    Search(kSerial, false, "1");
    EXPECT_TRUE(Users().empty());
    Search(kModel, false, "1");
    EXPECT_TRUE(Users().empty());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(PcFactsSearchTest, TheOverviewCountsModelsAndMonitorsAndDrillsDownToThem) {
    MainWindow& form = OpenPcs();
    form.Pages().setCurrentWidget(Overview().Page());
    QCoreApplication::processEvents();
    const inventory::Overview& shown = Overview().Shown();
    EXPECT_EQ(shown.monitors, 2u) << "connected ones";
    EXPECT_TRUE(Overview().Card(Dimension::Monitors)->text().startsWith(QStringLiteral("2\n")));
    // The eight largest (ties by name), the rest as 其他.
    std::vector<std::pair<std::string, std::size_t>> models;
    for (const inventory::OverviewBucket& bucket : shown.models) {
        models.emplace_back(bucket.label, bucket.count);
    }
    EXPECT_EQ(models, (std::vector<std::pair<std::string, std::size_t>>{
                          {"Dell Inc. OptiPlex 7090", 2},
                          {"Acme Box 1", 1},
                          {"Acme Box 2", 1},
                          {"Acme Box 3", 1},
                          {"Acme Box 4", 1},
                          {"Acme Box 5", 1},
                          {"Acme Box 6", 1},
                          {"Acme Box 7", 1},
                          {G("其他"), 5},
                      }));
    ASSERT_NE(Overview().Chart(Dimension::Model), nullptr);

    struct Case {
        std::size_t bucket;  // of the chart; npos: the monitor card
        std::vector<std::string> users;
    };
    const Case cases[] = {
        {0, {"amy", "eve"}},
        {1, {"box1"}},
        // 其他: the two Acme boxes left, bob's Lenovo, cat's HP, dan's unknown.
        {8, {"bob", "cat", "dan", "box8", "box9"}},
        {std::string::npos, {"amy", "dan"}},
    };
    for (const Case& c : cases) {
        form.Pages().setCurrentWidget(Overview().Page());
        if (c.bucket == std::string::npos) {
            Overview().ChooseCard(Dimension::Monitors);
        } else {
            Overview().ChooseBucket(Dimension::Model, c.bucket);
        }
        EXPECT_EQ(form.Pages().currentWidget(), form.Inventory().Page());
        EXPECT_EQ(Users(), c.users) << c.bucket;
    }
    EXPECT_TRUE(dialogs.errors.empty());
}

}  // namespace
}  // namespace vantrel::app::test
