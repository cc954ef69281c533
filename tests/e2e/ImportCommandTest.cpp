// `vantrel --import` as a nightly script runs it: a copy of the program in a
// folder of its own beside db.mdb, its output redirected to files. A good
// list, a refused file, wrong command lines, a running program holding the
// inventory, and a long list under a memory limit.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include "GbkConvert.h"
#include "VantrelProcess.h"

namespace {

namespace fs = std::filesystem;
using vantrel::e2e::RunSql;
using vantrel::e2e::TextRows;
using vantrel::e2e::VantrelProcess;
using vantrel::testsupport::ReadFile;

std::string G(std::string_view utf8) {
    return vantrel::text::Utf8ToGbk(utf8);
}

struct Outcome {
    int status = -1;
    std::string out;  // bytes as written
    std::string err;
};

// Runs `program` with `arguments` in its folder, stdout and stderr into
// files, under a limit on its address space when `memoryLimit` is not 0.
Outcome RunCommand(const fs::path& program, const std::vector<std::string>& arguments,
                   rlim_t memoryLimit = 0) {
    const fs::path folder = program.parent_path();
    const std::string outPath = (folder / "out.txt").string();
    const std::string errPath = (folder / "err.txt").string();
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    const std::string dir = folder.string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::chdir(dir.c_str()) != 0) {
            ::_exit(126);
        }
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        if (memoryLimit != 0) {
            const rlimit limit{memoryLimit, memoryLimit};
            if (::setrlimit(RLIMIT_AS, &limit) != 0) {
                ::_exit(125);
            }
        }
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    Outcome outcome;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.out = ReadFile(outPath);
    outcome.err = ReadFile(errPath);
    return outcome;
}

// A folder holding a copy of the built program and a db.mdb made from the
// schema with `seedSql`; removed at the end.
class ImportCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrel-import-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
        program_ = folder_ / "vantrel";
        fs::copy_file(fs::path(BinFolder()) / "vantrel", program_);
        RunSql(folder_ / "db.mdb", ReadFile(VANTREL_SCHEMA) +
                                       "insert into ip (pcname,mac,bm) values "
                                       "('pc','02:4F:00:00:0A:01','A');");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    static std::string BinFolder() {
        const char* dir = std::getenv("VANTREL_BIN_DIR");
        return dir != nullptr && *dir != '\0' ? dir : VANTREL_BIN_DIR;
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
        return (folder_ / name).string();
    }

    std::vector<std::vector<std::string>> Rows() {
        return TextRows(folder_ / "db.mdb", "select pcname,mac,bm from ip order by rowid");
    }

    fs::path folder_;
    fs::path program_;
};

// The office's own list in GBK: the MAC as Windows prints it updates the
// report's row, a switch's notation adds a PC, a bad MAC is a problem row.
// The output is what the preview and the event log say, in GBK bytes.
TEST_F(ImportCommandTest, GoodListPrintsTheCountsAndTheOutcomeLine) {
    const std::string list = Write("list.csv", G("计算机名,MAC地址,部门\r\n"
                                                 "新名,02-4F-00-00-0A-01,财务\r\n"
                                                 "b,024f.0000.0a02,x\r\n"
                                                 "c,bad,y\r\n"));
    const Outcome done = RunCommand(program_, {"--import", list});
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(done.out, G("共 3 行：新增 1 台，更新 1 台，无变化 0 行，有问题 1 行\n"
                          "第 4 行：MAC 地址“bad”不是六组十六进制数\n"
                          "已从 list.csv 导入：新增 1 台，更新 1 台，跳过 1 行\n"));
    EXPECT_EQ(done.err, "");
    EXPECT_EQ(Rows(),
              (std::vector<std::vector<std::string>>{{G("新名"), "02:4F:00:00:0A:01", G("财务")},
                                                     {"b", "02:4F:00:00:0A:02", "x"}}));
    EXPECT_EQ(TextRows(folder_ / "db.mdb", "select address from ip_history limit 1"),
              (std::vector<std::vector<std::string>>{{G("导入：list.csv")}}));

    // Only new PCs: the changed department of the known one stays.
    Write("list.csv", G("计算机名,MAC地址,部门\r\nb,024F00000A02,z\r\n"));
    const Outcome addOnly = RunCommand(program_, {"--add-only", "--import", list});
    EXPECT_EQ(addOnly.status, 0) << addOnly.err;
    EXPECT_NE(addOnly.out.find(G("新增 0 台，更新 0 台，跳过 1 行")), std::string::npos);
    EXPECT_EQ(Rows()[1][2], "x");
}

TEST_F(ImportCommandTest, RefusedFilesAndWrongCommandLinesWriteNothing) {
    const auto before = Rows();
    const std::string workbook = Write("two.csv", "pcname,mac\r\nx,02-4F-00-00-0A-03\r\n");
    const struct {
        std::vector<std::string> arguments;
        int status;
        const char* reason;  // part of stderr, UTF-8
    } cases[] = {
        {{"--import", Write("empty.csv", "")}, 1, "是空的"},
        {{"--import", Write("titles.csv", "pcname,mac\r\n")}, 1, "只有标题行"},
        {{"--import", Write("notes.xlsx", "hello")}, 1, "已损坏"},
        {{"--import", (folder_ / "missing.csv").string()}, 1, "missing.csv"},
        {{"--import", workbook, "--sheet", "第二页"}, 1, "没有名为“第二页”的工作表"},
        {{"--import"}, 2, "--import needs a value"},
        {{"--add-only"}, 2, "--import needs a file"},
        {{"--import", workbook, "--import", workbook}, 2, "given twice"},
        {{"--import", workbook, "--sheet"}, 2, "--sheet needs a value"},
        {{"--import", workbook, "--create-database"}, 2, "unknown option --create-database"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.back());
        const Outcome refused = RunCommand(program_, c.arguments);
        EXPECT_EQ(refused.status, c.status) << refused.err;
        EXPECT_EQ(refused.out, "");
        const std::string reason = c.status == 1 ? G(c.reason) : c.reason;
        EXPECT_NE(refused.err.find(reason), std::string::npos) << refused.err;
        EXPECT_EQ(Rows(), before);
    }
}

// While the program runs on this inventory the command refuses; once it has
// ended the same command imports.
TEST(ImportCommandWhileRunning, RefusedWhileTheProgramHoldsTheInventory) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    const std::string list = "pcname,mac\r\nnew,02-4F-00-00-0A-05\r\n";
    fs::path folder;
    {
        VantrelProcess running;
        folder = running.Folder();
        std::ofstream(folder / "list.csv", std::ios::binary) << list;
        const Outcome refused = RunCommand(folder / "vantrel", {"--import", "list.csv"});
        EXPECT_EQ(refused.status, 1) << refused.out;
        EXPECT_NE(refused.err.find(G("Vantrel 正在运行")), std::string::npos) << refused.err;
        EXPECT_TRUE(TextRows(running.Database(), "select * from ip").empty());
        EXPECT_EQ(running.Terminate(), 0) << running.Output();
        // The folder goes with the process object: import before it does.
        const Outcome done = RunCommand(folder / "vantrel", {"--import", "list.csv"});
        EXPECT_EQ(done.status, 0) << done.err;
        EXPECT_EQ(TextRows(running.Database(), "select pcname,mac from ip"),
                  (std::vector<std::vector<std::string>>{{"new", "02:4F:00:00:0A:05"}}));
    }
}

// A long list under a limit on the address space: the command reads it in
// batches and holds a few MB whatever its length. ASan reserves terabytes
// of address space, so a sanitizer build runs the optimised program when
// one is built (VANTREL_RELEASE_BIN_DIR, or build/release beside the
// sources), and skips otherwise.
TEST_F(ImportCommandTest, LongListUnderAMemoryLimit) {
    fs::path program = program_;
#if defined(__SANITIZE_ADDRESS__)
    const char* release = std::getenv("VANTREL_RELEASE_BIN_DIR");
    const fs::path releaseBin =
        release != nullptr && *release != '\0'
            ? fs::path(release)
            : fs::path(VANTREL_SCHEMA).parent_path().parent_path() / "build/release/bin";
    if (!fs::exists(releaseBin / "vantrel")) {
        GTEST_SKIP() << "a sanitizer build cannot run under a memory limit; no release build at "
                     << releaseBin;
    }
    program = folder_ / "vantrel-release";
    fs::copy_file(releaseBin / "vantrel", program);
#endif
    std::string list = "pcname,mac,bm,bz\r\n";
    const std::string remark(150, 'r');
    for (int i = 0; i < 200000; ++i) {
        char mac[32];
        std::snprintf(mac, sizeof mac, "%02x%02x.%04x.%04x", 2, i % 7, i % 65536, i / 65536 + 1);
        list += "pc" + std::to_string(i) + "," + mac + ",dept" + std::to_string(i % 30) + "," +
                remark + "\r\n";
    }
    const std::string file = Write("long.csv", list);
    const Outcome done = RunCommand(program, {"--import", file}, rlim_t{200} << 20);
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_NE(done.out.find(G("新增 200000 台")), std::string::npos) << done.out;
    EXPECT_EQ(TextRows(folder_ / "db.mdb", "select count(*) from ip"),
              (std::vector<std::vector<std::string>>{{"200001"}}));
}

}  // namespace
