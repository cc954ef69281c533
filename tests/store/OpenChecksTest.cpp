// What opening finds out before the first report needs it: columns table ip
// lacks, and a file that cannot be written.
#include <gtest/gtest.h>

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "SqliteStatement.h"
#include "StoreError.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {
namespace {

using OpenChecks = StoreFixture;

constexpr char kMissingColumns[] =
    "\xb1\xed ip \xc8\xb1\xc9\xd9\xc1\xd0\xa3\xba";  // 表 ip 缺少列：
constexpr char kReadOnly[] = "attempt to write a readonly database";

// Makes `path` a database from schema.sql with the column lines of
// `dropped` left out; `upper` spells every column name in capitals, `extra`
// adds a column the program does not name.
void MakeTable(const std::string& path, const std::vector<std::string>& dropped, bool upper = false,
               bool extra = false) {
    std::istringstream schema(ReadFile(VANTREL_SCHEMA));
    std::string sql;
    for (std::string line; std::getline(schema, line);) {
        if (line.rfind("    ", 0) == 0) {
            const std::string::size_type end = line.find(' ', 4);
            const std::string name = line.substr(4, end - 4);
            if (std::find(dropped.begin(), dropped.end(), name) != dropped.end()) {
                continue;
            }
            if (upper) {
                std::transform(line.begin() + 4, line.begin() + static_cast<long>(end),
                               line.begin() + 4, ::toupper);
            }
        }
        sql += line + "\n";
        if (extra && line.rfind("CREATE TABLE", 0) == 0) {
            sql += "    extra TEXT,\n";
        }
    }
    // Without its last column line, the list would end in a comma.
    const std::string::size_type close = sql.find("\n);");
    if (sql[close - 1] == ',') {
        sql.erase(close - 1, 1);
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
        << (error != nullptr ? error : "") << "\n"
        << sql;
    sqlite3_free(error);
    sqlite3_close(db);
}

TEST_F(OpenChecks, ATableWithoutColumnsTheProgramNamesIsRefusedNamingThem) {
    struct Case {
        const char* name;
        std::vector<std::string> dropped;
        std::string listed;  // "" when the open must succeed
    };
    const Case cases[] = {
        {"xk", {"xk"}, "xk"},
        {"two, in the program's order", {"xk", "pcname"}, "pcname\xa1\xa2xk"},  // 、
        {"djsj", {"djsj"}, "djsj"},
        {"none", {}, ""},
    };
    for (const Case& c : cases) {
        const std::string path = dir_ + "/" + c.name + ".mdb";
        MakeTable(path, c.dropped);
        const std::string before = ReadFile(path);
        InventoryDatabase connection;
        const std::string message = OpenError(connection, path);
        if (c.listed.empty()) {
            EXPECT_EQ(message, "") << c.name;
            EXPECT_TRUE(connection.Connected()) << c.name;
            continue;
        }
        EXPECT_EQ(message, kMissingColumns + c.listed + " (" + path + ")") << c.name;
        EXPECT_FALSE(connection.Connected()) << c.name;
        EXPECT_EQ(ReadFile(path), before) << c.name;
    }

    // Names are matched ignoring case; a column more is no fault.
    const std::string upper = dir_ + "/upper.mdb";
    MakeTable(upper, {}, true, true);
    InventoryDatabase connection;
    EXPECT_EQ(OpenError(connection, upper), "");
    EXPECT_EQ(connection.ReadOnlyReason(), "");
}

// What a child process saw when it opened the database as an ordinary user.
struct ChildOpen {
    bool skipped = false;
    std::string report;  // "connected|reason|write error", or the skip reason
};

// Runs `prepare` (as root, when the test is root) then opens `path` in a
// child that has dropped to uid and gid 65534, tries one write, and reports.
ChildOpen OpenAsOrdinaryUser(const std::string& path, const std::function<bool()>& prepare) {
    int ends[2];
    if (pipe(ends) != 0) {
        return {true, "no pipe"};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        std::string out;
        if (!prepare()) {
            out = "skip:cannot make the file unwritable here";
        } else if (geteuid() == 0 &&
                   (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            out = "skip:cannot drop to uid 65534";
        } else {
            InventoryDatabase connection;
            try {
                connection.Open(path);
                out = std::string(connection.Connected() ? "1" : "0") + "|" +
                      connection.ReadOnlyReason() + "|";
                auto guard = connection.Lock();
                SqliteStatement(connection.Handle(), "insert into ip (mac) values ('aa')").Step();
                out += "written";
            } catch (const std::exception& error) {
                out += error.what();
            }
        }
        const ssize_t written = write(ends[1], out.data(), out.size());
        _exit(written == static_cast<ssize_t>(out.size()) ? 0 : 1);
    }
    close(ends[1]);
    std::string report;
    char buffer[512];
    for (ssize_t got; (got = read(ends[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(got));
    }
    close(ends[0]);
    waitpid(child, nullptr, 0);
    if (report.rfind("skip:", 0) == 0) {
        return {true, report.substr(5)};
    }
    return {false, report};
}

TEST_F(OpenChecks, ADatabaseThatCannotBeWrittenOpensAndSaysWhy) {
    // The store lives in a folder the ordinary user may enter.
    ASSERT_EQ(chmod(dir_.c_str(), 0755), 0);
    struct Case {
        const char* name;
        std::function<bool()> prepare;  // runs in the child, before dropping
        std::string place;              // what the system's reason names
        const char* reason;
    };
    const std::string file = path_;
    const std::string folder = dir_;
    const Case cases[] = {
        {"read-only file", [file] { return chmod(file.c_str(), 0444) == 0; }, file,
         "Permission denied"},
        {"read-only folder, writable file",
         [file, folder] {
             return chmod(file.c_str(), 0666) == 0 && chmod(folder.c_str(), 0555) == 0;
         },
         folder, "Permission denied"},
        {"read-only mount",
         [file, folder] {
             // A bind mount of the folder, read-only, in a mount namespace
             // of the child's own.
             return chmod(file.c_str(), 0666) == 0 && chmod(folder.c_str(), 0777) == 0 &&
                    unshare(CLONE_NEWNS) == 0 &&
                    mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                    mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
                    mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY,
                          nullptr) == 0;
         },
         file, "Read-only file system"},
    };
    const std::string before = ReadFile(path_);
    int ran = 0;
    for (const Case& c : cases) {
        const ChildOpen opened = OpenAsOrdinaryUser(path_, c.prepare);
        // The child's chmod calls happen in this file system: undo them.
        chmod(path_.c_str(), 0644);
        chmod(dir_.c_str(), 0755);
        if (opened.skipped) {
            std::cout << "[ SKIPPED  ] " << c.name << ": " << opened.report << "\n";
            continue;
        }
        ++ran;
        EXPECT_EQ(opened.report, std::string("1|") + kReadOnly + " (" + c.place + ": " + c.reason +
                                     ")|" + kReadOnly)
            << c.name;
        EXPECT_EQ(ReadFile(path_), before) << c.name;
        EXPECT_FALSE(std::filesystem::exists(path_ + "-journal")) << c.name;
    }
    if (ran == 0) {
        GTEST_SKIP() << "no way to make the database unwritable here";
    }

    // A writable database says nothing, and the check leaves no trace.
    OpenStore();
    EXPECT_EQ(connection_.ReadOnlyReason(), "");
    connection_.Close();
    EXPECT_EQ(ReadFile(path_), before);
}

}  // namespace
}  // namespace vantrel::store::testing
