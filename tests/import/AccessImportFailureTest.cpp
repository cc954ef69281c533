// Conversions that cannot finish: a broken file, no table ip, rows that end
// early, a folder that cannot be written, and a process killed at each step.
// Afterwards db.mdb is the untouched original or the whole converted
// inventory, the original exists, and a new start finishes the work.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "AccessFixture.h"
#include "AccessImport.h"
#include "GbkConvert.h"
#include "ImportError.h"

namespace vantrel::import::testing {
namespace {

// Runs `body` in a forked child; returns its wait status.
template <typename Body>
int InChild(Body body) {
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

std::string Damaged(const std::string& name) {
    return testsupport::ReadFile(AccessData("damaged/" + name));
}

std::string Gbk(const char* utf8) {
    return text::Utf8ToGbk(utf8);
}

// The message of the ImportError the conversion throws, "" when it does not.
std::string FailureOf(const std::string& path) {
    try {
        AccessImport::ConvertIfAccess(path);
    } catch (const ImportError& error) {
        return error.what();
    }
    return "";
}

TEST_F(AccessFolder, BrokenFilesFailWithTheirReasonAndNothingMoves) {
    const std::string inventory = testsupport::ReadFile(AccessData("inventory-2000.mdb"));
    struct Case {
        const char* name;
        std::string bytes;
        std::string reason;
    };
    const Case cases[] = {
        // 无法把 … 作为 Access 数据库打开
        {"garbage after the header",
         std::string("\x00\x01\x00\x00Standard Jet DB", 19) + std::string(8192, '\x5a'),
         "\xd7\xf7\xce\xaa Access \xca\xfd\xbe\xdd\xbf\xe2\xb4\xf2\xbf\xaa"},
        {"header page only", inventory.substr(0, 4096),
         "\xd7\xf7\xce\xaa Access \xca\xfd\xbe\xdd\xbf\xe2\xb4\xf2\xbf\xaa"},
        // … 中没有表 ip (an Access 97 file: Jet 3 opens)
        {"no table ip", testsupport::ReadFile(AccessData("no-ip-table-97.mdb")),
         "\xd6\xd0\xc3\xbb\xd3\xd0\xb1\xed ip"},
        // … 时中途出错（已读 91 条记录，共 200 条）
        // The page cut in two yields a row with nothing in it, not even
        // its AutoNumber, before the rows end early.
        {"rows cut off", inventory.substr(0, 140000), Gbk("第 79 条记录中没有任何可读的值")},
        // Damaged files that mdbtools reads without a word (made by
        // damaged/make-damaged.py from the intact files).
        {"column count of the definition 1", Damaged("column-count-2000.mdb"),
         Gbk("的表 ip 中找不到本程序的任何一列")},
        {"pointer of a 3,000-character memo past the end", Damaged("memo-pointer-quirks.mdb"),
         Gbk("第 18 条记录中有一个备注或长文本无法完整读取")},
        {"row count of a data page 65,535", Damaged("row-count-2000.mdb"),
         Gbk("第 14 条记录中没有任何可读的值")},
        {"definition records a row less", Damaged("recorded-199-2000.mdb"),
         Gbk("读出的记录多于表定义记录的 199 条")},
        {"definition records a row more", Damaged("recorded-201-2000.mdb"),
         Gbk("时中途出错（已读 200 条记录，共 201 条）")},
        {"no data pages", inventory.substr(0, 110000),
         "\xca\xb1\xd6\xd0\xcd\xbe\xb3\xf6\xb4\xed\xa3\xa8\xd2\xd1\xb6\xc1 0 "},
        // mdbtools would read 13 of the 30 MACs as empty.
        {"number of column mac past the table's", Damaged("column-number-quirks.mdb"),
         Gbk("的表 ip 的定义前后不一致")},
        // mdbtools loops for ever: the reader is stopped at its time limit
        // (5 s and 1 s for the file's MiB begun), with its first warning.
        {"catalog that mdbtools reads for ever", Damaged("catalog-loop-97.mdb"),
         Gbk("超过 6 秒仍未结束，已中止：文件可能已损坏，未能转换。原文件未作改动。"
             "mdbtools 的提示：Warning: mdb_col_to_string called on unsupported data type 0.")},
    };
    for (const Case& c : cases) {
        PlaceBytes(c.bytes);
        const std::string message = FailureOf(path_);
        EXPECT_NE(message.find(c.reason), std::string::npos) << c.name << ": " << message;
        // 原文件未作改动。
        EXPECT_NE(message.find("\xd4\xad\xce\xc4\xbc\xfe\xce\xb4\xd7\xf7\xb8\xc4\xb6\xaf"),
                  std::string::npos)
            << c.name;
        EXPECT_EQ(Names(), std::vector<std::string>{"db.mdb"}) << c.name;
        EXPECT_EQ(Bytes("db.mdb"), c.bytes) << c.name;
    }
}

TEST_F(AccessFolder, ReadOnlyFolderFailsWithTheSystemsMessage) {
    const std::string original = PlaceFixture("inventory-2000.mdb");
    std::filesystem::permissions(
        dir_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                  std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                  std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    // Root writes into any folder: the child gives up root first.
    const int status = InChild([&] {
        close(pipeFds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(77);
        }
        const std::string message = FailureOf(path_);
        ssize_t written = write(pipeFds[1], message.data(), message.size());
        _exit(written == static_cast<ssize_t>(message.size()) ? 0 : 1);
    });
    close(pipeFds[1]);
    std::string message;
    char buffer[512];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "cannot give up root to make the folder read-only";
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    // 无法在文件夹 … 中写入转换后的数据库：Permission denied。
    EXPECT_NE(message.find("\xce\xde\xb7\xa8\xd4\xda\xce\xc4\xbc\xfe\xbc\xd0 " + dir_),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("Permission denied"), std::string::npos) << message;
    EXPECT_EQ(Names(), std::vector<std::string>{"db.mdb"});
    EXPECT_EQ(Bytes("db.mdb"), original);
}

struct CrashPoint {
    const char* name;
    AccessImport::Step step;
    int rowsFirst;  // for RowWritten: rows written before the kill
    friend void PrintTo(const CrashPoint& p, std::ostream* out) { *out << p.name; }
};

class AccessCrashTest : public AccessFolder, public ::testing::WithParamInterface<CrashPoint> {};

TEST_P(AccessCrashTest, KilledConversionLeavesOneWholeFileAndTheNextStartFinishes) {
    const CrashPoint& point = GetParam();
    const std::string original = PlaceFixture("inventory-2000.mdb");
    const int status = InChild([&] {
        int rows = 0;
        AccessImport::ConvertIfAccess(path_, [&](AccessImport::Step step) {
            if (step == point.step &&
                (step != AccessImport::Step::RowWritten || ++rows == point.rowsFirst)) {
                kill(getpid(), SIGKILL);
            }
        });
    });
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

    const bool replaced = point.step == AccessImport::Step::Replaced;
    if (replaced) {
        EXPECT_EQ(InventoryRows(path_).size(), 200u);
        EXPECT_EQ(Bytes("db.mdb.access"), original);
    } else {
        EXPECT_EQ(Bytes("db.mdb"), original);
    }

    // The next start converts again (or finds the inventory already there).
    std::optional<AccessImport::Result> result = AccessImport::ConvertIfAccess(path_);
    EXPECT_EQ(result.has_value(), !replaced);
    if (result) {
        EXPECT_EQ(result->rows, 200u);
        EXPECT_EQ(result->keptPath, path_ + ".access");
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"db.mdb", "db.mdb.access"}));
    EXPECT_EQ(Bytes("db.mdb.access"), original);
    EXPECT_EQ(InventoryRows(path_).size(), 200u);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AccessCrashTest,
    ::testing::Values(CrashPoint{"TempCreated", AccessImport::Step::TempCreated, 0},
                      CrashPoint{"FirstRow", AccessImport::Step::RowWritten, 1},
                      CrashPoint{"MidRows", AccessImport::Step::RowWritten, 120},
                      CrashPoint{"TempWritten", AccessImport::Step::TempWritten, 0},
                      CrashPoint{"OriginalKept", AccessImport::Step::OriginalKept, 0},
                      CrashPoint{"Replaced", AccessImport::Step::Replaced, 0}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace vantrel::import::testing
