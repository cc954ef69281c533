// Reports written in groups: who shares a transaction, what one failing
// report does to the others, and what a failing transaction leaves behind.
#include <gtest/gtest.h>

#include <algorithm>

#include "InventoryDataset.h"
#include "ReportStoreFixture.h"

namespace vantrel::store::testing {
namespace {

using ReportStoreTest = ReportStoreFixture;

TEST_F(ReportStoreTest, WaitingReportsShareOneTransactionAndKeepTheCountRule) {
    Insert({{"mac", "AA-01"}, {"pcname", "old"}, {"djsj", "2020-01-02 03:04:05"}});
    Insert({{"mac", "aa-01"}, {"pcname", "old twin"}});
    Insert({{"mac", std::nullopt}, {"pcname", "null mac"}});

    std::vector<std::string> errors = StoreTogether({
        Report("aa-01", "known"),   // overwrites both rows of its MAC
        Report("NEW-1", "first"),   // two reports of one new MAC...
        Report("new-1", "second"),  // ...leave one row
        Report("", "empty mac"),    // the empty MAC is not the null MAC
        Report("NEW-2", "other"),
    });
    EXPECT_EQ(errors, std::vector<std::string>(5));
    ReportStore::Statistics stats = store_.Stats();
    EXPECT_EQ(stats.transactions, 1u);
    EXPECT_EQ(stats.reports, 5u);
    EXPECT_EQ(stats.waiting, 0u);

    EXPECT_EQ(Count(), 6);
    EXPECT_EQ(Column("pcname", "mac='aa-01'"), (Rows{"known", "known"}));
    EXPECT_EQ(Column("mac || djsj", "mac='aa-01'").at(0), "AA-012020-01-02 03:04:05");
    EXPECT_EQ(Count("mac='new-1'"), 1);
    EXPECT_EQ(Column("pcname", "mac=''"), (Rows{"empty mac"}));
    EXPECT_EQ(Column("pcname", "mac is null"), (Rows{"null mac"}));
    // All sixteen values as text, "" included; djsj from the database.
    EXPECT_EQ(Column("username || ip || xk || bm || typeof(bz) || bz", "mac='NEW-2'"),
              (Rows{"v2v4v16\xB2\xC6\xCE\xF1text"}));
    EXPECT_EQ(Count("mac='NEW-2' and djsj is not null"), 1);
}

TEST_F(ReportStoreTest, OneFailingReportDoesNotTakeTheOthersDown) {
    // One report fails its own statement; another fails in a way that ends
    // the whole transaction, after which the others are written again.
    Exec(
        "CREATE TRIGGER refuse BEFORE INSERT ON ip WHEN NEW.pcname = 'bad' "
        "BEGIN SELECT RAISE(ABORT, 'refused by trigger'); END;"
        "CREATE TRIGGER wreck BEFORE INSERT ON ip WHEN NEW.pcname = 'wreck' "
        "BEGIN SELECT RAISE(ROLLBACK, 'transaction rolled back by trigger'); END;");
    std::vector<std::string> errors = StoreTogether({
        Report("M1", "good"),
        Report("M2", "bad"),
        Report("M3", "good"),
        Report("M4", "wreck"),
        Report("M5", "good"),
    });
    EXPECT_EQ(errors, (std::vector<std::string>{"", "refused by trigger", "",
                                                "transaction rolled back by trigger", ""}));
    Rows stored = Column("mac");  // in the order the reports arrived
    std::sort(stored.begin(), stored.end());
    EXPECT_EQ(stored, (Rows{"M1", "M3", "M5"}));
    EXPECT_EQ(store_.Stats().reports, 3u);

    // The store goes on normally afterwards.
    store_.Store(Report("M1", "again"));
    EXPECT_EQ(Column("pcname", "mac='M1'"), (Rows{"again"}));
}

TEST_F(ReportStoreTest, AGroupThatCannotCommitFailsEveryReportAndLeavesTheFileAsItWas) {
    Insert({{"mac", "K1"}, {"pcname", "kept"}});
    connection_.SetBusyTimeout(100);
    std::vector<HardwareReport> group = {Report("K1", "changed"), Report("N1", "new"),
                                         Report("N2", "new")};

    // Another process holds the write lock beyond the busy wait: the group
    // cannot begin.
    Exec("BEGIN IMMEDIATE");
    std::vector<std::string> errors = StoreTogether(group);
    Exec("COMMIT");
    EXPECT_EQ(errors, std::vector<std::string>(3, "database is locked"));

    // Another process keeps reading: the group's statements run, but its
    // commit cannot take the file.
    Exec("BEGIN");
    EXPECT_EQ(Column("pcname", "mac='K1'"), (Rows{"kept"}));
    errors = StoreTogether(group);
    Exec("COMMIT");
    EXPECT_EQ(errors, std::vector<std::string>(3, "database is locked"));

    EXPECT_EQ(Column("pcname"), (Rows{"kept"}));
    sqlite3_stmt* check = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(Raw(), "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
    sqlite3_finalize(check);
    EXPECT_EQ(store_.Stats().transactions, 0u);

    // No transaction was left open: the grid saves, and reports go on.
    InventoryDataset grid(connection_);
    grid.Open();
    grid.SetValue(static_cast<std::size_t>(grid.FieldIndex("bz")), "grid");
    grid.UpdateBatch();
    EXPECT_EQ(StoreTogether(group), std::vector<std::string>(3));
    EXPECT_EQ(Column("pcname || bz", "mac='K1'"), (Rows{"changed"}));
    EXPECT_EQ(Count(), 3);
}

TEST_F(ReportStoreTest, ClosedStoreFailsEveryReportWithItsMessage) {
    connection_.Close();
    EXPECT_EQ(StoreTogether({Report("A", "a"), Report("B", "b")}),
              std::vector<std::string>(2, "Database db.mdb is not open"));
    OpenStore();
    store_.Store(Report("A", "a"));
    EXPECT_EQ(Count(), 1);
}

}  // namespace
}  // namespace vantrel::store::testing
