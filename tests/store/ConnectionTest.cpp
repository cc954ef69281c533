// Opening the inventory database: what must fail at open, and with what.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "KilledChild.h"
#include "ReportStore.h"
#include "SqliteStatement.h"
#include "StoreError.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {
namespace {

using ConnectionTest = StoreFixture;

// The first column of the first row of `sql`, read on the store's own handle.
long long Scalar(InventoryDatabase& connection, const char* sql) {
    auto guard = connection.Lock();
    SqliteStatement statement(connection.Handle(), sql);
    return statement.Step() ? statement.Int64(0) : -1;
}

HardwareReport ReportFor(const std::string& mac, const std::string& bz = "") {
    HardwareReport report;
    report.mac = mac;
    report.bz = bz;
    return report;
}

TEST_F(ConnectionTest, OpensAnExistingDatabaseReadWrite) {
    OpenStore();
    EXPECT_TRUE(connection_.Connected());
    ReportStore(connection_).Store(ReportFor("aa"));
    EXPECT_EQ(Count(), 1);
    // Power loss cannot be tested here: check the settings that make a
    // returned statement survive it (a rollback journal, a sync at every
    // commit), and that the file alone already holds the row.
    EXPECT_EQ(Scalar(connection_, "select synchronous from pragma_synchronous"), 2);
    EXPECT_EQ(Scalar(connection_, "select journal_mode = 'delete' from pragma_journal_mode"), 1);
    std::filesystem::copy_file(path_, dir_ + "/copy.mdb");
    EXPECT_FALSE(std::filesystem::exists(path_ + "-wal"));
    {
        InventoryDatabase copy;
        copy.Open(dir_ + "/copy.mdb");
        EXPECT_EQ(Scalar(copy, "select count(*) from ip where mac='aa'"), 1);
    }
    connection_.Close();
    EXPECT_FALSE(connection_.Connected());
    EXPECT_THROW(connection_.Handle(), StoreError);
}

TEST_F(ConnectionTest, MissingFileFailsAndIsNotCreated) {
    std::string missing = dir_ + "/none/db.mdb";
    std::string message = OpenError(connection_, dir_ + "/db2.mdb");
    EXPECT_NE(message.find("unable to open database file"), std::string::npos) << message;
    EXPECT_NE(message.find(dir_ + "/db2.mdb"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/db2.mdb"));
    EXPECT_FALSE(OpenError(connection_, missing).empty());
    EXPECT_FALSE(connection_.Connected());
}

TEST_F(ConnectionTest, FileThatIsNotADatabaseFails) {
    std::string path = dir_ + "/junk.mdb";
    std::ofstream(path) << std::string(4096, 'x');
    std::string message = OpenError(connection_, path);
    EXPECT_NE(message.find("file is not a database"), std::string::npos) << message;
    EXPECT_EQ(ReadFile(path), std::string(4096, 'x'));
    EXPECT_FALSE(connection_.Connected());
}

TEST_F(ConnectionTest, DatabaseWithoutTableIpFailsAndIsLeftUnchanged) {
    Exec("DROP TABLE ip");
    const std::string before = ReadFile(path_);
    std::string message = OpenError(connection_, path_);
    EXPECT_NE(message.find("no such table: ip"), std::string::npos) << message;
    EXPECT_FALSE(connection_.Connected());
    EXPECT_EQ(ReadFile(path_), before);

    // An empty file is a database without tables to SQLite: refused, and
    // still empty afterwards.
    const std::string empty = dir_ + "/empty.mdb";
    std::ofstream(empty).close();
    message = OpenError(connection_, empty);
    EXPECT_NE(message.find("no such table: ip"), std::string::npos) << message;
    EXPECT_EQ(std::filesystem::file_size(empty), 0u);
}

TEST_F(ConnectionTest, DatabaseLockedByAnotherConnectionFailsAtOpen) {
    Exec("BEGIN EXCLUSIVE");
    std::string message = OpenError(connection_, path_);
    EXPECT_NE(message.find("locked"), std::string::npos) << message;
    EXPECT_FALSE(connection_.Connected());
    Exec("COMMIT");
    OpenStore();
    EXPECT_TRUE(connection_.Connected());
}

TEST_F(ConnectionTest, KilledWriterLosesNoReturnedReportAndLeavesASoundFile) {
    // The child stores report after report and is killed in the middle of
    // one: every report that returned is in the file.
    const int last = testsupport::KillAfterSteps(50, [&](const testsupport::StepDone& done) {
        InventoryDatabase connection;
        connection.Open(path_);
        ReportStore reports(connection);
        for (int i = 0;; ++i) {
            reports.Store(ReportFor(std::to_string(i), std::string(3000, 'x')));
            done(i);
        }
    });
    ASSERT_GE(last, 49);
    OpenStore();
    EXPECT_EQ(*Query("PRAGMA integrity_check").at(0).at(0), "ok");
    EXPECT_GE(Count(), last + 1);
    EXPECT_EQ(Count(Numbered("CAST(mac AS INTEGER) <= ", last)), last + 1);
}

TEST_F(ConnectionTest, DefaultPathIsBesideTheExecutable) {
    std::string path = InventoryDatabase::DefaultDatabasePath();
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(path, (exe.parent_path() / "db.mdb").string());
}

}  // namespace
}  // namespace vantrel::store::testing
