// Opening the inventory database: what must fail at open, and with what.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "StoreError.h"
#include "StoreFixture.h"
#include "TADOQuery2.h"

namespace vantrel::store::testing {
namespace {

using ConnectionTest = StoreFixture;

std::string OpenError(TADOConnection& connection, const std::string& path) {
    try {
        connection.Open(path);
    } catch (const StoreError& error) {
        return error.what();
    }
    return "";
}

TEST_F(ConnectionTest, OpensAnExistingDatabaseReadWrite) {
    OpenStore();
    EXPECT_TRUE(connection_.Connected());
    TADOQuery2 query(connection_);
    query.SetSQL("insert into ip (mac) values ('aa')");
    query.ExecSQL();
    EXPECT_EQ(Count(), 1);
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

TEST_F(ConnectionTest, DatabaseWithoutTableIpFails) {
    Exec("DROP TABLE ip");
    std::string message = OpenError(connection_, path_);
    EXPECT_NE(message.find("no such table: ip"), std::string::npos) << message;
    EXPECT_FALSE(connection_.Connected());
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

TEST_F(ConnectionTest, DefaultPathIsBesideTheExecutable) {
    std::string path = TADOConnection::DefaultDatabasePath();
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(path, (exe.parent_path() / "db.mdb").string());
}

}  // namespace
}  // namespace vantrel::store::testing
