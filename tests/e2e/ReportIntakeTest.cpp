// The real program as staff browsers meet it: exact reply bytes on a raw
// socket, and headless Chromium filling in and submitting the page.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "VantrelProcess.h"

namespace {

namespace fs = std::filesystem;
using vantrel::e2e::Exchange;
using vantrel::e2e::ReadFile;
using vantrel::e2e::VantrelOptions;
using vantrel::e2e::VantrelProcess;

using Row = std::vector<std::optional<std::string>>;

const std::string kThankYouReply =
    "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html; charset=GBK\r\n"
    "Content-Length: 22\r\n\r\n"
    // 谢谢提供硬件信息！再见
    "\xD0\xBB\xD0\xBB\xCC\xE1\xB9\xA9\xD3\xB2\xBC\xFE\xD0\xC5\xCF\xA2\xA3\xA1\xD4\xD9\xBC\xFB";

fs::path WebDir() {
    const char* env = std::getenv("VANTREL_WEB_DIR");
    return env != nullptr && *env != '\0' ? fs::path(env) : fs::path(VANTREL_WEB_DIR);
}

// VantrelProcess reads where the program and the schema are from the
// environment; fill it in when the test runs without CTest's. The test
// program is built beside `vantrel`.
void EnsureProcessEnvironment() {
    if (std::getenv("VANTREL_BIN_DIR") == nullptr) {
        std::error_code error;
        const fs::path self = fs::read_symlink("/proc/self/exe", error);
        if (!error) {
            ::setenv("VANTREL_BIN_DIR", self.parent_path().c_str(), 0);
        }
    }
    ::setenv("VANTREL_SCHEMA", VANTREL_SCHEMA, 0);
}

// A working directory for the program holding a copy of the page file.
class PageFolder {
  public:
    PageFolder() {
        char pattern[] = "/tmp/vantrel-e2e-page-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
        fs::copy_file(WebDir() / "ip.html", path_ / "ip.html");
    }
    ~PageFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    PageFolder(const PageFolder&) = delete;
    PageFolder& operator=(const PageFolder&) = delete;
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

std::vector<Row> Query(const fs::path& database, const std::string& sql) {
    sqlite3* db = nullptr;
    std::vector<Row> rows;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                Row row;
                for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, i));
                    if (sqlite3_column_type(statement, i) == SQLITE_NULL) {
                        row.emplace_back(std::nullopt);
                    } else {
                        row.emplace_back(std::string(
                            bytes != nullptr ? bytes : "",
                            static_cast<std::size_t>(sqlite3_column_bytes(statement, i))));
                    }
                }
                rows.push_back(std::move(row));
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}

std::string FormPost(const std::string& body) {
    return "POST /post HTTP/1.1\r\nHost: 127.0.0.1:8899\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(ReportIntake, RawClientReceivesExactRepliesAndTheReportIsStored) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    EnsureProcessEnvironment();
    PageFolder pages;
    VantrelOptions options;
    options.workingDirectory = pages.Path();
    options.seedSql = "insert into ip (pcname,mac,djsj) values ('old','AA-01','2020-01-01');";
    VantrelProcess vantrel(options);

    const std::string page = ReadFile(WebDir() / "ip.html");
    const std::string pageHead =
        "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html\r\nContent-Length: " +
        std::to_string(page.size()) + "\r\n\r\n";
    EXPECT_EQ(Exchange("GET / HTTP/1.1\r\nHost: 127.0.0.1:8899\r\n\r\n"), pageHead + page);
    EXPECT_EQ(Exchange("HEAD / HTTP/1.1\r\n\r\n"), pageHead);

    // 张三 and 财务部 as a GBK form sends them.
    EXPECT_EQ(Exchange(FormPost("xipUserName=%D5%C5%C8%FD&bm=%B2%C6%CE%F1%B2%BF&xipMac=aa-01"
                                "&xipName=new")),
              kThankYouReply);
    EXPECT_EQ(Exchange("GET /post?xipMac=x%27y&xipUserName=q HTTP/1.1\r\n\r\n"), kThankYouReply);
    EXPECT_EQ(Exchange("GET /POST?xipMac=none HTTP/1.1\r\n\r\n"), "");
    EXPECT_EQ(Exchange("GET /post/?xipMac=none HTTP/1.1\r\n\r\n"), "");

    EXPECT_EQ(Query(vantrel.Database(), "select pcname,username,bm,mac,ip from ip order by rowid"),
              (std::vector<Row>{
                  {"new", "\xD5\xC5\xC8\xFD", "\xB2\xC6\xCE\xF1\xB2\xBF", "AA-01", "127.0.0.1"},
                  {"", "q", "", "x'y", "127.0.0.1"}}));
    // The overwritten row keeps its entry time; the new one gets one.
    EXPECT_EQ(Query(vantrel.Database(), "select djsj is not null from ip order by rowid"),
              (std::vector<Row>{{"1"}, {"1"}}));
    EXPECT_EQ(Query(vantrel.Database(), "select count(*) from ip where djsj = '2020-01-01'"),
              (std::vector<Row>{{"1"}}));
    EXPECT_TRUE(vantrel.Running()) << vantrel.Output();
}

TEST(ReportIntake, MissingPageFileGivesThe500Reply) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    EnsureProcessEnvironment();
    VantrelProcess vantrel;  // runs in a folder without ip.html
    const std::string reply = Exchange("GET / HTTP/1.1\r\n\r\n");
    EXPECT_EQ(reply.rfind("HTTP/1.1 500 Internal Server Error\r\n", 0), 0u) << reply;
    EXPECT_NE(reply.find("\r\nContent-Length: 24\r\n"), std::string::npos) << reply;
    const std::string body = "\r\n\r\nFile \"ip.html\" not found";
    ASSERT_GE(reply.size(), body.size());
    EXPECT_EQ(reply.substr(reply.size() - body.size()), body);
}

bool OnPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::string rest = path != nullptr ? path : "";
    for (std::size_t start = 0; start <= rest.size();) {
        std::size_t end = rest.find(':', start);
        if (end == std::string::npos)
            end = rest.size();
        if (::access((rest.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Runs a command and returns its standard output; `status` gets the exit
// status.
std::string RunCommand(const std::string& command, int& status) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        status = -1;
        return output;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, n);
    }
    const int raw = ::pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return output;
}

TEST(ReportBrowser, ChromiumFillsInThePageAndItsGbkTextIsStored) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    if (!OnPath("chromium") || !OnPath("chromedriver") || !OnPath("python3")) {
        GTEST_SKIP() << "chromium, chromedriver or python3 is not installed";
    }
    EnsureProcessEnvironment();
    PageFolder pages;
    VantrelOptions options;
    options.workingDirectory = pages.Path();
    VantrelProcess vantrel(options);

    // The test environment always names tests/data; the script sits beside
    // this file in tests/e2e.
    const fs::path script =
        fs::path(std::getenv("VANTREL_TEST_DATA")).parent_path() / "e2e" / "report_browser.py";
    int status = -1;
    const std::string output =
        RunCommand("python3 '" + script.string() + "' http://127.0.0.1:8899/ 2>&1", status);
    ASSERT_EQ(status, 0) << output;
    // The thank-you text as the browser shows it, read as GBK.
    EXPECT_NE(output.find(R"("shown": "\u8c22\u8c22\u63d0\u4f9b\u786c\u4ef6\u4fe1\u606f\uff01)"
                          R"(\u518d\u89c1")"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find(R"("charset": "GBK")"), std::string::npos) << output;
    // This Chromium runs on Linux: the page offers the line to paste, with
    // the address the browser used; a Windows browser keeps the download.
    EXPECT_NE(
        output.find(
            R"("offered": {"curl": "curl -fsS --max-time 60 http://127.0.0.1:8899/vantrel-collect.sh | sh", )"
            R"("linux": true, )"
            R"("wget": "wget -qO- -T 30 http://127.0.0.1:8899/vantrel-collect.sh | sh", )"
            R"("windows": false})"),
        std::string::npos)
        << output;
    EXPECT_NE(output.find(R"("offered_windows": {"curl": "", "linux": false, "wget": "", )"
                          R"("windows": true})"),
              std::string::npos)
        << output;

    const auto rows =
        Query(vantrel.Database(), "select username,bm,dh,bz,pcname,pctype,mac,ip,os,cpu from ip");
    ASSERT_EQ(rows.size(), 1u) << output;
    const Row& row = rows[0];
    EXPECT_EQ(row[0], "\xD5\xC5\xC8\xFD");          // 张三
    EXPECT_EQ(row[1], "\xB2\xC6\xCE\xF1\xB2\xBF");  // 财务部
    EXPECT_EQ(row[2], "8001");
    EXPECT_EQ(row[3], "\xC8\xFD\xC2\xA5 & \xB6\xAB\xB2\xE0=1+1");  // 三楼 & 东侧=1+1
    EXPECT_EQ(row[4], "PC-E2E");
    EXPECT_EQ(row[5], "\xB1\xCA\xBC\xC7\xB1\xBE");  // 笔记本
    EXPECT_EQ(row[6], "") << "loopback has no neighbour entry";
    EXPECT_EQ(row[7], "127.0.0.1");
    EXPECT_NE(row[8].value_or(""), "") << "the page fills in the operating system";
    EXPECT_NE(row[9].value_or(""), "") << "the page fills in the processors";
}

}  // namespace
