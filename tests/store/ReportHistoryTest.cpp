// What reports overwrite is kept: which changes get a history row, that a
// history row and its update stand or fall together, and reading one PC's
// history back.
#include <gtest/gtest.h>

#include "HistoryWriter.h"
#include "InventoryDataset.h"
#include "IpHistory.h"
#include "ReportStoreFixture.h"

namespace vantrel::store::testing {
namespace {

constexpr const char* kTime = "2024-05-06 09:07:03";

class ReportHistoryTest : public ReportStoreFixture {
  protected:
    // A row of ip holding exactly the report's sixteen values.
    void InsertRow(const HardwareReport& report) {
        std::vector<std::pair<std::string, std::optional<std::string>>> row;
        for (const ReportField& field : kReportFields) {
            row.emplace_back(std::string(field.column), report.*field.value);
        }
        Insert(row);
    }

    // mac, field, oldvalue, newvalue, changetime, address by MAC, then in
    // order of recording.
    std::vector<Rows> History(const std::string& where = "1") {
        return Query(
            "SELECT mac, field, oldvalue, newvalue, changetime, address FROM ip_history WHERE " +
            where + " ORDER BY mac, id");
    }
};

TEST_F(ReportHistoryTest, AnOverwriteRecordsEveryChangedValueWithItsTimeAndAddress) {
    HardwareReport before = Report("AA-BB", "pc");
    before.cpu = "Intel(R) Core(TM) i5-8500";
    before.rammax = "8192MB";
    before.yp = "WDC WD10EZEX (1000GB)";
    InsertRow(before);

    // The browser's form: the count of logical processors for the CPU, no
    // disks, and less memory. The MAC in other letter case is the same PC.
    HardwareReport after = Report("aa-bb", "pc");
    after.cpu = "8 \xB8\xF6\xC2\xDF\xBC\xAD\xB4\xA6\xC0\xED\xC6\xF7";  // 8 个逻辑处理器
    after.rammax = "4096MB";
    after.yp = "";
    const std::vector<ReportChange> changes = store_.Store(after, "10.0.0.9");

    EXPECT_EQ(changes, (std::vector<ReportChange>{{"cpu", before.cpu, after.cpu},
                                                  {"rammax", "8192MB", "4096MB"},
                                                  {"yp", before.yp, ""}}));
    EXPECT_EQ(History(), (std::vector<Rows>{
                             {"aa-bb", "cpu", before.cpu, after.cpu, kTime, "10.0.0.9"},
                             {"aa-bb", "rammax", "8192MB", "4096MB", kTime, "10.0.0.9"},
                             {"aa-bb", "yp", before.yp, "", kTime, "10.0.0.9"},
                         }));
    EXPECT_EQ(Column("cpu || rammax || yp || mac"), (Rows{after.cpu + "4096MBAA-BB"}));
    EXPECT_EQ(store_.Stats().transactions, 1u);

    // Without an address the report's own ip is named.
    after.rammax = "8192MB";
    store_.Store(after);
    EXPECT_EQ(History("field = 'rammax' AND newvalue = '8192MB'").at(0).at(5), after.ip);
}

TEST_F(ReportHistoryTest, InsertsUnchangedValuesAndNullsBecomingEmptyRecordNothing) {
    // A new PC, then the same report again.
    EXPECT_TRUE(store_.Store(Report("N1", "pc")).empty());
    EXPECT_TRUE(store_.Store(Report("N1", "pc")).empty());

    // The same bytes stored as a BLOB by another tool are no change.
    HardwareReport same = Report("B1", "pc");
    InsertRow(same);
    Exec("UPDATE ip SET cpu = CAST(cpu AS BLOB), xk = CAST(xk AS BLOB) WHERE mac = 'B1'");
    ASSERT_EQ(Column("typeof(cpu)", "mac = 'B1'"), (Rows{"blob"}));
    EXPECT_TRUE(store_.Store(same).empty());

    // A row added in the grid holds nulls: a null becoming a value is
    // recorded with a null old value, a null becoming "" is not recorded.
    Insert({{"mac", "G1"}, {"pcname", "pc"}});
    const std::vector<ReportChange> changes = store_.Store(Report("G1", "pc"));
    // 16 but mac, pcname, bz and rammin, whose changes are kept out of the
    // history; the row takes its value all the same.
    EXPECT_EQ(changes.size(), 12u);
    for (const ReportChange& change : changes) {
        EXPECT_FALSE(change.oldValue.has_value()) << change.column;
        EXPECT_NE(change.column, "bz");
        EXPECT_NE(change.column, "rammin");
    }
    EXPECT_EQ(Query("SELECT count(*) FROM ip_history WHERE mac = 'G1' AND oldvalue IS NULL"),
              (std::vector<Rows>{{"12"}}));
    EXPECT_EQ(Column("rammin", "mac = 'G1'"), (Rows{Report("G1", "pc").rammin}));
    EXPECT_EQ(History("mac <> 'G1'").size(), 0u);
}

TEST_F(ReportHistoryTest, RowsSharingAMacRecordEachDistinctChangeOnce) {
    HardwareReport first = Report("AA-01", "pc");
    first.cpu = "A";
    first.rammax = "8GB";
    HardwareReport second = first;
    second.mac = "aa-01";
    second.cpu = "B";
    InsertRow(first);
    InsertRow(second);

    HardwareReport report = Report("Aa-01", "pc");
    report.cpu = "C";
    report.rammax = "16GB";
    EXPECT_EQ(store_.Store(report, "10.0.0.1"),
              (std::vector<ReportChange>{
                  {"cpu", "A", "C"}, {"rammax", "8GB", "16GB"}, {"cpu", "B", "C"}}));
    EXPECT_EQ(History().size(), 3u);
    EXPECT_EQ(Column("cpu || rammax"), (Rows{"C16GB", "C16GB"}));
}

TEST_F(ReportHistoryTest, AFailingReportLeavesNeitherItsUpdateNorItsHistory) {
    struct Case {
        const char* what;
        const char* trigger;
        const char* error;
    };
    const Case cases[] = {
        {"the update is refused",
         "CREATE TRIGGER t BEFORE UPDATE ON ip WHEN OLD.mac = 'M2' "
         "BEGIN SELECT RAISE(ABORT, 'update refused'); END",
         "update refused"},
        {"the history row is refused",
         "CREATE TRIGGER t BEFORE INSERT ON ip_history WHEN NEW.mac = 'M2' "
         "BEGIN SELECT RAISE(ABORT, 'history refused'); END",
         "history refused"},
        // The others are written again in a new transaction: once each.
        {"the history row ends the transaction",
         "CREATE TRIGGER t BEFORE INSERT ON ip_history WHEN NEW.mac = 'M2' "
         "BEGIN SELECT RAISE(ROLLBACK, 'rolled back'); END",
         "rolled back"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Exec("DELETE FROM ip; DELETE FROM ip_history; DROP TRIGGER IF EXISTS t;");
        for (const char* mac : {"M1", "M2", "M3"}) {
            InsertRow(Report(mac, "old"));
        }
        Exec(c.trigger);
        const std::vector<std::string> errors =
            StoreTogether({Report("M1", "new"), Report("M2", "new"), Report("M3", "new")});
        EXPECT_EQ(errors, (std::vector<std::string>{"", c.error, ""}));
        EXPECT_EQ(Column("mac || pcname"), (Rows{"M1new", "M2old", "M3new"}));
        EXPECT_EQ(History(), (std::vector<Rows>{{"M1", "pcname", "old", "new", kTime, "v4"},
                                                {"M3", "pcname", "old", "new", kTime, "v4"}}));
    }
}

TEST_F(ReportHistoryTest, EachMacKeepsItsNewestEntriesAndLongValuesAreStoredCut) {
    // 499 entries of AA-01 and 3 of BB-02 already there, oldest first.
    Exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 499) "
        "INSERT INTO ip_history (mac, field, oldvalue, newvalue, changetime, address) "
        "SELECT 'aa-01', 'rammin', 'old' || i, 'new' || i, '2020-01-01 00:00:00', 'x' FROM n");
    Exec(
        "INSERT INTO ip_history (mac, field) VALUES ('BB-02', 'cpu'), ('BB-02', 'os'), "
        "('BB-02', 'bm')");
    HardwareReport report = Report("AA-01", "pc");
    InsertRow(report);

    // Three changes: 502 entries, of which the two oldest go.
    const std::string chinese = "\xD6\xD0";  // 中
    const std::string longOld = "a" + std::string(2100, 'x') + [&] {
        std::string text;
        for (int i = 0; i < 1100; ++i) {
            text += chinese;
        }
        return text;
    }();  // 4301 bytes, a double-byte character across the cut
    const std::string exact(HistoryWriter::kMaxValueBytes, 'e');
    report.bz = longOld;
    report.cpu = exact;
    report.os = "w11";
    store_.Store(report, "10.0.0.1");
    EXPECT_EQ(Query("SELECT count(*), min(CAST(substr(oldvalue, 4) AS INTEGER)) FROM ip_history "
                    "WHERE mac = 'AA-01' AND field = 'rammin'"),
              (std::vector<Rows>{{"497", "3"}}));
    EXPECT_EQ(Query("SELECT count(*) FROM ip_history WHERE mac = 'aa-01'"),
              (std::vector<Rows>{{"500"}}));
    EXPECT_EQ(Query("SELECT count(*) FROM ip_history WHERE mac = 'BB-02'"),
              (std::vector<Rows>{{"3"}}));

    // The next report's old value is the long one: the row kept it whole.
    EXPECT_EQ(Column("bz"), (Rows{longOld}));
    report.bz = "short";
    const std::vector<ReportChange> changes = store_.Store(report);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].oldValue, longOld);  // what the change alarm sees

    // …（已截断）
    const std::string mark = "\xA1\xAD\xA3\xA8\xD2\xD1\xBD\xD8\xB6\xCF\xA3\xA9";
    const std::vector<Rows> stored = Query(
        "SELECT field, oldvalue, newvalue FROM ip_history WHERE mac = 'AA-01' AND "
        "(field = 'bz' OR field = 'cpu') ORDER BY field, id");
    ASSERT_EQ(stored.size(), 3u);
    const std::string& cutNew = stored[0][2].value();  // bz, as first reported
    const std::string& cutOld = stored[1][1].value();  // bz, when overwritten
    EXPECT_TRUE(stored[2][2] == exact);                // not longer than the bound: whole
    EXPECT_TRUE(cutNew == cutOld);
    ASSERT_LE(cutNew.size(), HistoryWriter::kMaxValueBytes);
    ASSERT_GT(cutNew.size(), HistoryWriter::kMaxValueBytes - mark.size() - 2);
    EXPECT_EQ(cutNew.substr(cutNew.size() - mark.size()), mark);
    const std::string kept = cutNew.substr(0, cutNew.size() - mark.size());
    EXPECT_EQ(longOld.compare(0, kept.size(), kept), 0);
    EXPECT_EQ((kept.size() - 2101) % 2, 0u) << "a double-byte character was split";
    EXPECT_EQ(stored[1][2], "short");

    // Read back, the cut value says so: restoring it would lose the rest.
    report.cpu = "c";
    store_.Store(report);
    const IpHistory::Page page = IpHistory(connection_).HistoryOf("AA-01", 2);
    ASSERT_EQ(page.entries.size(), 2u);
    EXPECT_FALSE(page.entries[0].oldValueCut);  // cpu, exactly at the bound
    EXPECT_TRUE(page.entries[1].oldValueCut);   // bz
}

TEST_F(ReportHistoryTest, APcsHistoryIsReadNewestFirstAndOnlyWhenAskedFor) {
    IpHistory history(connection_);
    HardwareReport report = Report("AB-01", "pc");
    InsertRow(report);
    for (const char* cpu : {"c1", "c2", "c3"}) {
        report.cpu = cpu;
        store_.Store(report, "10.0.0.7");
    }
    report.rammax.clear();
    store_.Store(report, "10.0.0.8");

    EXPECT_TRUE(history.HasHistory("ab-01"));
    EXPECT_FALSE(history.HasHistory("AB-02"));
    EXPECT_FALSE(history.HasHistory(""));

    IpHistory::Page page = history.HistoryOf("ab-01", 10);
    EXPECT_FALSE(page.more);
    ASSERT_EQ(page.entries.size(), 4u);
    const HistoryEntry& newest = page.entries.front();
    EXPECT_EQ(newest.column, "rammax");
    EXPECT_EQ(newest.oldValue, "v9");
    EXPECT_EQ(newest.newValue, "");
    EXPECT_EQ(newest.time, kTime);
    EXPECT_EQ(newest.address, "10.0.0.8");
    std::vector<std::string> cpus;
    for (const HistoryEntry& entry : page.entries) {
        cpus.push_back(entry.oldValue.value_or("(null)") + ">" + entry.newValue.value_or("(null)"));
    }
    EXPECT_EQ(cpus, (std::vector<std::string>{"v9>", "c2>c3", "c1>c2", "v5>c1"}));

    page = history.HistoryOf("AB-01", 2);
    EXPECT_TRUE(page.more);
    EXPECT_EQ(page.entries.size(), 2u);
    // Old and new values, newest first, hold 2, 4, 4 and 4 bytes.
    for (const auto& [maxBytes, count] : {std::pair{0, 1}, {5, 1}, {6, 2}, {13, 3}, {14, 4}}) {
        page = history.HistoryOf("AB-01", 10, static_cast<std::size_t>(maxBytes));
        EXPECT_EQ(page.entries.size(), static_cast<std::size_t>(count)) << maxBytes;
        EXPECT_EQ(page.more, count < 4) << maxBytes;
    }
    EXPECT_TRUE(history.HistoryOf("AB-02", 10).entries.empty());

    connection_.Close();
    EXPECT_FALSE(history.HasHistory("AB-01"));
    EXPECT_THROW(history.HistoryOf("AB-01", 10), StoreError);
}

TEST_F(ReportHistoryTest, GridSavesRecordNothing) {
    InsertRow(Report("E1", "pc"));
    InventoryDataset grid(connection_);
    grid.Open();
    grid.SetValue(static_cast<std::size_t>(grid.FieldIndex("cpu")), "edited");
    grid.UpdateBatch();
    EXPECT_EQ(Column("cpu"), (Rows{"edited"}));
    EXPECT_TRUE(History().empty());
}

}  // namespace
}  // namespace vantrel::store::testing
