// Files that are not a list of PCs, or are broken or hostile: each is
// refused with a message and writes nothing, or has its unreadable rows
// listed as problem rows, without a hang, a crash or a burst of memory.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>

#include "HostileFiles.h"
#include "ImportFixture.h"
#include "ImportLimits.h"

namespace vantrel::import::testing {
namespace {

const std::string& kWorkbook = hostile::kWorkbook;

TEST_F(ImportFixture, BadFilesAreRefusedAndWriteNothing) {
    Exec("insert into ip (pcname,mac) values ('kept','00-1A-2B-3C-4D-5E')");
    std::string wide = "pcname";
    for (int i = 0; i < 10000; ++i) {
        wide += ",c";
    }
    const std::string bigCell = "pcname,bz\r\nx," + std::string(10 * 1024 * 1024, 'y') + "\r\n";
    const std::string encrypted = hostile::EncryptedCompoundFile(1);
    struct Case {
        const char* name;
        std::string path;
        const char* says;  // part of the message (UTF-8)
    };
    const Case cases[] = {
        {"binary", Write("photo.csv", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)),
         "不是可以导入的表格文件"},
        {"empty", Write("empty.csv", ""), "是空的"},
        {"blank", Write("blank.txt", " \r\n\r\n"), "是空的"},
        {"title only", Write("title.csv", "pcname,mac\r\n"), "只有标题行"},
        {"no table", Write("page.htm", "<html><body>hi</body></html>"), "没有表格"},
        {"encrypted", Write("secret.xlsx", encrypted), "密码保护"},
        {"damaged xlsx", Write("broken.xlsx", "PK\x03\x04 this is not the rest of a zip"),
         "已损坏"},
        {"xlsx without workbook", MakeZip(dir_ + "/nobook.xlsx", "z.writestr('x', 'y')\n"),
         "已损坏"},
        {"bad xml",
         MakeZip(dir_ + "/badxml.xlsx", std::string(kWorkbook) +
                                            "z.writestr('xl/worksheets/sheet1.xml', "
                                            "'<worksheet><sheetData><row><c>')\n"),
         "已损坏"},
        {"zip bomb",
         MakeZip(dir_ + "/bomb.xlsx", std::string(kWorkbook) +
                                          "z.writestr('xl/worksheets/sheet1.xml', '<worksheet>' "
                                          "+ ' ' * (200 * 1024 * 1024) + '</worksheet>')\n"),
         "解压后超过"},
        {"10,000 columns", Write("wide.csv", wide + "\r\nx\r\n"), "列数超过"},
        {"10 MB cell", Write("bigcell.csv", bigCell), "MB 的单元格"},
        {"missing", dir_ + "/gone.xlsx", "无法打开文件"},
        {"a folder", dir_, "无法打开文件"},
    };
    const auto before = Query("select * from ip");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string message = ImportFailure(c.path);
        EXPECT_NE(message.find(G(c.says)), std::string::npos) << text::GbkToUtf8(message);
    }
    EXPECT_EQ(Query("select * from ip"), before);
}

// What a child process made of an import: its outcome as text, its time
// and how far its resident memory grew.
struct ChildImport {
    std::string
        outcome;  // "refused\n<message>" or "imported <added> <problems>\n<row>\t<reason>..."
    double seconds = 0;
    long grownKb = 0;
};

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// Previews and imports `path` into the inventory `database` in a child, so
// that its memory is its own. Without the sanitizers the child's address
// space is bounded too, so that a burst ends there rather than here (the
// sanitizers reserve terabytes of it).
ChildImport ImportInChild(const std::string& database, const std::string& path) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const long startKb = ResidentKb();
#ifndef __SANITIZE_ADDRESS__
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        std::ifstream statm("/proc/self/statm");
        long pages = 0;
        statm >> pages;
        limit.rlim_cur = static_cast<rlim_t>(pages) * ::sysconf(_SC_PAGESIZE) + (1ull << 30);
        ::setrlimit(RLIMIT_AS, &limit);
#endif
        const auto start = std::chrono::steady_clock::now();
        std::ostringstream out;
        try {
            store::InventoryDatabase connection;
            connection.Open(database);
            store::InventoryMerge merge(connection, [] { return std::tm{}; });
            RunOptions options;
            options.write = true;
            const ImportCounts counts =
                RunImport(path, 0, ReadPreview(path).mapping, merge, options);
            out << "imported " << counts.added << ' ' << counts.problems << '\n';
            for (const RowProblem& problem : counts.listed) {
                out << problem.row << '\t' << text::GbkToUtf8(problem.reason) << '\n';
            }
        } catch (const ImportError& error) {
            out << "refused\n" << text::GbkToUtf8(error.what());
        } catch (const std::exception& error) {
            out << "failed\n" << error.what();
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        const std::string text = std::to_string(seconds) + ' ' +
                                 std::to_string(usage.ru_maxrss - startKb) + '\n' + out.str();
        for (std::size_t done = 0; done < text.size();) {
            const ssize_t wrote = ::write(fds[1], text.data() + done, text.size() - done);
            if (wrote <= 0) {
                break;
            }
            done += static_cast<std::size_t>(wrote);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child ended with " << status;
    ChildImport child;
    std::istringstream in(text);
    in >> child.seconds >> child.grownKb;
    in.ignore(1);
    child.outcome.assign(std::istreambuf_iterator<char>(in), {});
    return child;
}

// Every hostile class: a refusal in well under a second and a few MB that
// leaves the inventory as it was, or its bad row listed while the rest
// import. The sanitizers slow the reading and keep freed memory back for
// a while, so their bounds are wider.
TEST_F(ImportFixture, HostileFilesEndClearlyInBoundedTimeAndMemory) {
#ifdef __SANITIZE_ADDRESS__
    constexpr double kSeconds = 10;
    constexpr long kGrownKb = 512 * 1024;
#else
    constexpr double kSeconds = 1;
    constexpr long kGrownKb = 64 * 1024;
#endif
    Exec("insert into ip (pcname,mac) values ('kept','00-1A-2B-3C-4D-5E')");
    for (const HostileFile& file : HostileFiles()) {
        SCOPED_TRACE(file.name);
        const std::string path = file.make(dir_);
        const auto before = Query("select * from ip");
        const ChildImport child = ImportInChild(dir_ + "/db.mdb", path);
        std::printf("%-58s %6.3f s %7ld KB\n", file.name, child.seconds, child.grownKb);
        EXPECT_LT(child.seconds, kSeconds);
        EXPECT_LT(child.grownKb, kGrownKb);
        switch (file.outcome) {
            case HostileFile::Outcome::Refused:
                EXPECT_TRUE(child.outcome.starts_with("refused\n")) << child.outcome;
                EXPECT_NE(child.outcome.find(file.says), std::string::npos) << child.outcome;
                EXPECT_EQ(Query("select * from ip"), before);
                break;
            case HostileFile::Outcome::ProblemRow:
                EXPECT_TRUE(child.outcome.starts_with("imported ")) << child.outcome;
                EXPECT_NE(child.outcome.find("\n" + std::to_string(file.row) + "\t"),
                          std::string::npos)
                    << child.outcome;
                EXPECT_NE(child.outcome.find(file.says), std::string::npos) << child.outcome;
                break;
            case HostileFile::Outcome::Imports:
                EXPECT_TRUE(child.outcome.starts_with("imported ")) << child.outcome;
                EXPECT_EQ(child.outcome.find('\t'), std::string::npos) << child.outcome;
                break;
        }
        std::filesystem::remove(path);
    }
    // What the rows around the bad ones became.
    EXPECT_EQ(Query("select bz from ip where mac='00:11:22:33:44:01'"),
              std::vector<Cells>{{G("甲")}});
    EXPECT_EQ(Query("select pcname from ip where mac='00:11:22:33:44:02'").size(), 1u);
    EXPECT_EQ(Query("select pcname from ip where mac='00:11:22:33:44:55'"),
              std::vector<Cells>{{"real"}});
}

}  // namespace
}  // namespace vantrel::import::testing
