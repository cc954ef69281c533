// Start-up tells what would keep staff reports from being stored or the page
// from being served, before the first complaint: in the error box and in the
// event log, with paths shown right.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QLineEdit>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "GbkConvert.h"
#include "GbkText.h"
#include "WindowFixture.h"

namespace vantrel::app::test {
namespace {

const std::string kRule(33, '=');
const std::string kMissingColumns =
    "\xb1\xed ip \xc8\xb1\xc9\xd9\xc1\xd0\xa3\xba";  // 表 ip 缺少列：
// db.mdb 是只读的，员工提交的信息无法保存（
const std::string kReadOnly =
    "db.mdb \xca\xc7\xd6\xbb\xb6\xc1\xb5\xc4\xa3\xac\xd4\xb1\xb9\xa4\xcc\xe1\xbd\xbb\xb5\xc4"
    "\xd0\xc5\xcf\xa2\xce\xde\xb7\xa8\xb1\xa3\xb4\xe6\xa3\xa8";
const std::string kReadOnlyEnd = "\xa3\xa9";  // ）
// 桌面/vantrel: the program on the desktop of a Chinese desktop.
const std::string kChineseFolder = "\xe6\xa1\x8c\xe9\x9d\xa2/vantrel";

// schema.sql with the column lines of `dropped` left out.
std::string SchemaWithout(const std::string& dropped) {
    std::istringstream schema(ReadFile(VANTREL_SCHEMA));
    std::string sql;
    for (std::string line; std::getline(schema, line);) {
        if (line.rfind("    " + dropped + " ", 0) != 0) {
            sql += line + "\n";
        }
    }
    return sql;
}

class StartupFaults : public WindowFixture {
  protected:
    std::string Listening() const {
        return "http://192.168.1.23:8899\xd2\xd1\xbf\xaa\xc6\xf4\xa3\xac\xbf\xc9\xcd\xa8\xd6\xaa"
               "\xd4\xb1\xb9\xa4\xd3\xc3IE\xb7\xc3\xce\xca\xb4\xcb\xb5\xd8\xd6\xb7\xa3\xac\xd2\xd4"
               "\xb1\xe3\xca\xd5\xbc\xaf\xd3\xb2\xbc\xfe\xd0\xc5\xcf\xa2\xa1\xa3";
    }
    // The store moved into a folder named in Chinese.
    std::string ChineseDatabasePath() {
        const std::string dir = Path(kChineseFolder);
        std::filesystem::create_directories(dir);
        options.databasePath = dir + "/db.mdb";
        return dir;
    }
    int Rows(MainWindow& form) { return Model(form)->rowCount(); }
};

TEST_F(StartupFaults, AMissingPageOrMissingColumnsAreToldInTheLog) {
    struct Case {
        const char* name;
        bool page;
        const char* dropped;  // nullptr: the whole schema
        std::vector<std::string> extraLines;
        bool opened;
    };
    const std::string missingXk = kMissingColumns + "xk (" + Path("db.mdb") + ")";
    // Both folders looked in are named.
    const std::string kNoPage =
        text::Utf8ToGbk("当前目录（" + folder.path().toStdString() + "）和程序所在目录（" +
                        Path("program") + "）中都没有 ip.html，员工打开的网页将显示错误");
    const Case cases[] = {
        {"everything there", true, nullptr, {}, true},
        {"no ip.html", false, nullptr, {kNoPage}, true},
        {"table ip without xk", true, "xk", {missingXk}, false},
        {"neither", false, "xk", {kNoPage, missingXk}, false},
    };
    for (const Case& c : cases) {
        dialogs.errors.clear();
        std::filesystem::remove(options.databasePath);
        RunSql(options.databasePath,
               c.dropped != nullptr ? SchemaWithout(c.dropped) : ReadFile(VANTREL_SCHEMA));
        RunSql(options.databasePath, "insert into ip (mac) values ('m1')");
        if (c.page) {
            std::ofstream(options.pageFile) << "<html>page</html>";
        } else {
            std::filesystem::remove(options.pageFile);
        }
        MainWindow& form = Open();
        std::vector<std::string> lines = {Listening(), kRule};
        lines.insert(lines.end(), c.extraLines.begin(), c.extraLines.end());
        EXPECT_EQ(form.EventLog().LogLines(), lines) << c.name;
        EXPECT_EQ(Rows(form), c.opened ? 1 : 0) << c.name;
        // A store that failed to open: the box, and the remaining steps
        // skipped as for any other failure.
        EXPECT_EQ(dialogs.errors,
                  c.opened ? std::vector<std::string>{} : std::vector<std::string>{missingXk})
            << c.name;
        EXPECT_EQ(Control<QLineEdit>(form, "firstAddressEdit")->text().isEmpty(), !c.opened)
            << c.name;
    }
}

TEST_F(StartupFaults, AChineseFolderReadsRightInTheErrorBox) {
    const std::string dir = ChineseDatabasePath();  // no db.mdb in it
    Open();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    const QString shown = FromGbk(dialogs.errors.front());
    EXPECT_TRUE(shown.contains(QString::fromUtf8(options.databasePath))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QString::fromUtf8("\xe6\xa1\x8c\xe9\x9d\xa2")));
}

// Makes `dir` read-only for this process: a read-only bind mount in a mount
// namespace of the main thread's own while root (whom file modes do not
// stop), else the file's mode. Undone by the destructor.
class ReadOnlyFolder {
  public:
    ReadOnlyFolder(const std::string& dir, const std::string& file) : dir_(dir), file_(file) {
        if (geteuid() != 0) {
            readOnly_ = chmod(file.c_str(), 0444) == 0;
            reason_ = file_ + ": Permission denied";
            return;
        }
        original_ = open("/proc/self/ns/mnt", O_RDONLY | O_CLOEXEC);
        if (original_ < 0 || unshare(CLONE_NEWNS) != 0) {
            return;
        }
        mounted_ = mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                   mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) == 0;
        readOnly_ = mounted_ && mount(nullptr, dir.c_str(), nullptr,
                                      MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
        reason_ = file_ + ": Read-only file system";
    }
    ~ReadOnlyFolder() {
        if (geteuid() != 0) {
            chmod(file_.c_str(), 0644);
            return;
        }
        if (mounted_) {
            umount2(dir_.c_str(), MNT_DETACH);
        }
        if (original_ >= 0) {
            setns(original_, CLONE_NEWNS);
            close(original_);
        }
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool ReadOnly() const { return readOnly_; }
    // The system's reason as the store gives it.
    const std::string& Reason() const { return reason_; }

  private:
    std::string dir_;
    std::string file_;
    std::string reason_;
    int original_ = -1;
    bool mounted_ = false;
    bool readOnly_ = false;
};

TEST_F(StartupFaults, AReadOnlyDatabaseShowsItsRowsAndSaysReportsCannotBeSaved) {
    const std::string dir = ChineseDatabasePath();
    MakeDatabase("insert into ip (mac, username) values ('m1', 'u1');");
    std::string reply;
    {
        ReadOnlyFolder readOnly(dir, options.databasePath);
        if (!readOnly.ReadOnly()) {
            GTEST_SKIP() << "cannot make the folder read-only here";
        }
        MainWindow& form = Open();
        const std::string line = kReadOnly + "attempt to write a readonly database (" +
                                 text::Utf8ToGbk(readOnly.Reason(), nullptr) + ")" + kReadOnlyEnd;
        EXPECT_EQ(form.EventLog().LogLines(), (std::vector<std::string>{Listening(), kRule, line}));
        EXPECT_EQ(dialogs.errors, std::vector<std::string>{line + "."});
        // Shown right: the folder's Chinese name, not its UTF-8 bytes.
        EXPECT_TRUE(FromGbk(dialogs.errors.front()).contains(QString::fromUtf8(dir)));
        // The rows are there, the rest of start-up ran, reports still fail.
        EXPECT_EQ(Model(form)->rowCount(), 1);
        EXPECT_EQ(Control<QLineEdit>(form, "firstAddressEdit")->text(),
                  QStringLiteral("192.168.1.1"));
        reply = Exchange(Port(), "GET /post?xipUserName=u2&xipMac=m2 HTTP/1.0\r\n\r\n");
        program.reset();
    }
    EXPECT_EQ(reply.rfind("HTTP/1.1 500", 0), 0u) << reply;
    EXPECT_NE(reply.find("attempt to write a readonly database"), std::string::npos) << reply;
    EXPECT_EQ(QueryText(options.databasePath, "select count(*) from ip"), "1");
}

}  // namespace
}  // namespace vantrel::app::test
