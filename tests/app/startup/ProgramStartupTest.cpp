// Start-up without a window: the intake, the store and what start-up
// reports, over a temporary folder and a free port.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "GbkConvert.h"
#include "HttpService.h"
#include "IntakeError.h"
#include "LoopbackClient.h"
#include "ProgramStartup.h"
#include "ReportHandler.h"
#include "TestFiles.h"

namespace vantrel::app::test {
namespace {

namespace fs = std::filesystem;

class LineSink : public intake::ReportSink {
  public:
    void PostLogLine(std::string line) override {
        std::lock_guard lock(mutex_);
        lines_.push_back(std::move(line));
    }
    void PostMark(std::string, std::string) override {}
    std::size_t Count() {
        std::lock_guard lock(mutex_);
        return lines_.size();
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

std::string Gbk(const std::string& utf8) {
    return text::Utf8ToGbk(utf8);
}

// The names of table ip's columns in `path`, in order.
std::vector<std::string> IpColumns(const fs::path& path) {
    std::vector<std::string> names;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "pragma table_info(ip)", -1, &statement, nullptr) == SQLITE_OK) {
            while (sqlite3_step(statement) == SQLITE_ROW) {
                names.emplace_back(
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)));
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return names;
}

class ProgramStartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrel-startup-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
        fs::create_directories(folder / "work");
        fs::create_directories(folder / "program");
        options.port = 0;
        options.databasePath = (folder / "program" / "db.mdb").string();
        options.localAddress = [] { return std::string("127.0.0.1"); };
        options.pageFile = (folder / "work" / "ip.html").string();
        options.programPageFile = (folder / "program" / "ip.html").string();
        options.neighbourTable = (folder / "arp").string();
        options.historyFile = (folder / "iphist.dat").string();
    }
    void TearDown() override {
        startup.reset();
        fs::remove_all(folder);
    }

    void MakeDatabase() {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(options.databasePath.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, testsupport::ReadFile(VANTREL_SCHEMA).c_str(), nullptr, nullptr,
                               nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }

    // Starts the intake and runs the steps, answering the question with
    // `answer` and counting how often it was asked.
    StartupReport Run(bool answer = false) {
        startup = std::make_unique<ProgramStartup>(options);
        startup->StartIntake(sink);
        return startup->Run([this, answer](const std::string& question) {
            questions.push_back(question);
            return answer;
        });
    }

    std::string Get(const std::string& path) {
        return testsupport::Exchange(startup->Intake().Port(), "GET " + path + " HTTP/1.0\r\n\r\n");
    }

    // Names in the program folder other than the ones given.
    std::vector<std::string> Leftovers(const std::vector<std::string>& expected) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder / "program")) {
            const std::string name = entry.path().filename().string();
            if (std::find(expected.begin(), expected.end(), name) == expected.end()) {
                names.push_back(name);
            }
        }
        return names;
    }

    fs::path folder;
    StartupOptions options;
    LineSink sink;
    std::vector<std::string> questions;
    std::unique_ptr<ProgramStartup> startup;
};

TEST_F(ProgramStartupTest, StoresReportsWithoutAWindow) {
    MakeDatabase();
    std::ofstream(options.pageFile) << "<html>page</html>";
    const StartupReport report = Run();
    EXPECT_TRUE(report.error.empty()) << report.error;
    EXPECT_TRUE(report.storeOpen);
    EXPECT_TRUE(questions.empty());
    ASSERT_EQ(report.logLines.size(), 2u);
    EXPECT_EQ(report.logLines[0].rfind("http://127.0.0.1:8899", 0), 0u);
    EXPECT_EQ(report.logLines[1], std::string(33, '='));

    EXPECT_NE(Get("/").find("<html>page</html>"), std::string::npos);
    const std::string reply = Get("/post?xipUserName=zhang&xipMac=AA-BB");
    EXPECT_NE(reply.find("200 OK"), std::string::npos) << reply;
    EXPECT_EQ(sink.Count(), 1u);
    EXPECT_TRUE(startup->StopIntake());
}

TEST_F(ProgramStartupTest, MissingDatabaseIsCreatedOnlyOnYes) {
    // No: start-up fails at the open, as without the question, and nothing
    // is left behind.
    StartupReport report = Run(false);
    ASSERT_EQ(questions, std::vector<std::string>{ProgramStartup::CreateDatabaseQuestion()});
    EXPECT_EQ(questions[0], Gbk("找不到 db.mdb，是否新建一个空的库存数据库？"));
    EXPECT_FALSE(report.storeOpen);
    EXPECT_NE(report.error.find("db.mdb"), std::string::npos) << report.error;
    EXPECT_TRUE(Leftovers({}).empty());

    // Yes: an empty inventory with every column, said in the log, and no
    // temporary file beside it.
    questions.clear();
    report = Run(true);
    EXPECT_EQ(questions.size(), 1u);
    EXPECT_TRUE(report.error.empty()) << report.error;
    EXPECT_TRUE(report.storeOpen);
    EXPECT_EQ(report.logLines.back(), Gbk("已新建空的 db.mdb"));
    EXPECT_EQ(IpColumns(options.databasePath).size(), 17u);
    EXPECT_TRUE(Leftovers({"db.mdb"}).empty());
    EXPECT_NE(Get("/post?xipUserName=li&xipMac=CC-DD").find("200 OK"), std::string::npos);

    // Next start: nothing to ask.
    questions.clear();
    startup.reset();
    report = Run(true);
    EXPECT_TRUE(questions.empty());
    EXPECT_TRUE(report.storeOpen);
}

TEST_F(ProgramStartupTest, ADatabaseNameThatIsTakenIsNeverReplaced) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
    };
    const Case cases[] = {
        {"not a database", [](const std::string& p) { std::ofstream(p) << "some text"; }},
        {"dangling link", [](const std::string& p) { fs::create_symlink("gone.mdb", p); }},
        {"a folder", [](const std::string& p) { fs::create_directory(p); }},
    };
    for (const Case& c : cases) {
        fs::remove_all(options.databasePath);
        c.make(options.databasePath);
        const auto before = fs::symlink_status(options.databasePath).type();
        questions.clear();
        const StartupReport report = Run(true);
        EXPECT_TRUE(questions.empty()) << c.name;
        EXPECT_FALSE(report.storeOpen) << c.name;
        EXPECT_FALSE(report.error.empty()) << c.name;
        EXPECT_EQ(fs::symlink_status(options.databasePath).type(), before) << c.name;
        EXPECT_TRUE(Leftovers({"db.mdb"}).empty()) << c.name;
        startup.reset();
    }
}

TEST_F(ProgramStartupTest, AFailedCreateIsReportedAndLeavesNothing) {
    options.databasePath = (folder / "program" / "missing-folder" / "db.mdb").string();
    const StartupReport report = Run(true);
    EXPECT_FALSE(report.storeOpen);
    EXPECT_EQ(report.error.rfind(Gbk("无法新建 db.mdb："), 0), 0u) << report.error;
    EXPECT_TRUE(Leftovers({}).empty());
}

TEST_F(ProgramStartupTest, PageOfTheWorkingDirectoryWinsOverTheProgramsCopy) {
    MakeDatabase();
    struct Case {
        const char* name;
        bool working;
        bool program;
        std::string served;  // "" when none is
    };
    const Case cases[] = {
        {"both", true, true, "working page"},
        {"program folder only", false, true, "program page"},
        {"working directory only", true, false, "working page"},
        {"neither", false, false, ""},
    };
    for (const Case& c : cases) {
        fs::remove(options.pageFile);
        fs::remove(options.programPageFile);
        if (c.working) {
            std::ofstream(options.pageFile) << "working page";
        }
        if (c.program) {
            std::ofstream(options.programPageFile) << "program page";
        }
        const StartupReport report = Run();
        const std::string reply = Get("/");
        if (c.served.empty()) {
            EXPECT_NE(reply.find("500"), std::string::npos) << c.name;
            // The line names both folders it looked in.
            ASSERT_EQ(report.logLines.size(), 3u) << c.name;
            const std::string& line = report.logLines[2];
            EXPECT_NE(line.find((folder / "work").string()), std::string::npos) << line;
            EXPECT_NE(line.find((folder / "program").string()), std::string::npos) << line;
            EXPECT_NE(line.find(Gbk("没有 ip.html，员工打开的网页将显示错误")), std::string::npos);
        } else {
            EXPECT_EQ(reply.substr(reply.size() - c.served.size()), c.served) << c.name;
            EXPECT_EQ(report.logLines.size(), 2u) << c.name;
        }
        startup.reset();
    }
}

TEST_F(ProgramStartupTest, ASecondIntakeOnTheSamePortIsToldAsPortInUse) {
    MakeDatabase();
    Run();
    StartupOptions second = options;
    second.port = startup->Intake().Port();
    second.historyFile = (folder / "second-iphist.dat").string();
    ProgramStartup other(second);
    LineSink otherSink;
    EXPECT_THROW(other.StartIntake(otherSink), intake::PortInUseError);
}

}  // namespace
}  // namespace vantrel::app::test
