// Opening a file made before the change history: it gains table
// ip_history and nothing else changes; a file that cannot be written opens
// as before, without one.
#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "IpHistory.h"
#include "ReportStore.h"
#include "StoreError.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {
namespace {

using HistoryTableTest = StoreFixture;
using Rows = std::vector<std::vector<std::optional<std::string>>>;

constexpr const char* kDefinitions =
    "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY type, name";

TEST_F(HistoryTableTest, AFileWithoutHistoryGainsTheSchemasTableAndKeepsTableIp) {
    const Rows fromSchema = Query(kDefinitions);
    Exec("DROP TABLE ip_history");
    Insert({{"mac", "AA"}, {"pcname", "\xB2\xC6\xCE\xF1"}, {"djsj", "2020-01-02 03:04:05"}});
    Insert({{"mac", std::nullopt}, {"bz", ""}});
    Insert({{"mac", "BB"}, {"cpu", "\xFF\x00\x81"}}, /*blob=*/true);
    Exec("INSERT INTO ip (mac, rammax) VALUES ('CC', 8192)");
    const std::string rowsSql =
        "SELECT rowid, typeof(mac), typeof(rammax), typeof(cpu), * FROM ip ORDER BY rowid";
    const Rows rows = Query(rowsSql);
    const Rows without = Query(kDefinitions);
    ASSERT_EQ(without.size() + 2, fromSchema.size()) << "the table and its index are gone";

    OpenStore();
    EXPECT_EQ(Query(kDefinitions), fromSchema);
    EXPECT_EQ(Query(rowsSql), rows);
    EXPECT_EQ(Query("PRAGMA integrity_check"), (Rows{{"ok"}}));

    // Once there, opening changes nothing more.
    connection_.Close();
    const std::string bytes = ReadFile(path_);
    OpenStore();
    connection_.Close();
    EXPECT_EQ(ReadFile(path_), bytes);
}

// Runs `body` in a child process as an ordinary user when the tests run
// as root, so that file modes hold; returns its exit status.
template <typename Body>
int AsOrdinaryUser(Body body) {
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            if (nobody == nullptr || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) {
                _exit(90);
            }
        }
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(HistoryTableTest, AFileThatCannotBeWrittenOpensWithoutHistory) {
    Exec("DROP TABLE ip_history");
    Insert({{"mac", "AA"}, {"pcname", "old"}});
    sqlite3_close(raw_);
    raw_ = nullptr;
    const std::string before = ReadFile(path_);
    struct Case {
        const char* what;
        std::filesystem::perms file;
    };
    const Case cases[] = {
        {"read-only file", std::filesystem::perms(0444)},
        {"writable file in a read-only folder", std::filesystem::perms(0666)},
    };
    std::filesystem::permissions(dir_, std::filesystem::perms(0555));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::permissions(path_, c.file);
        // 1: open failed, 2: history seen, 3: the report did not fail on
        // its own write.
        const int status = AsOrdinaryUser([&] {
            InventoryDatabase connection;
            try {
                connection.Open(path_);
            } catch (const StoreError&) {
                return 1;
            }
            if (IpHistory(connection).HasHistory("AA")) {
                return 2;
            }
            HardwareReport report;
            report.mac = "AA";
            try {
                ReportStore(connection).Store(report);
            } catch (const StoreError& error) {
                const std::string message = error.what();
                return message.find("readonly") != std::string::npos ||
                               message.find("unable to open") != std::string::npos
                           ? 0
                           : 3;
            }
            return 3;
        });
        EXPECT_EQ(status, 0);
        EXPECT_EQ(ReadFile(path_), before);
    }
    std::filesystem::permissions(dir_, std::filesystem::perms(0700));
    std::filesystem::permissions(path_, std::filesystem::perms(0644));
}

}  // namespace
}  // namespace vantrel::store::testing
