// The online list as a spreadsheet file: the format chosen for a name, the
// .xls records with their column widths, and failures that leave nothing
// misleading behind.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "AssetListExport.h"
#include "ExportError.h"
#include "OnlineListExport.h"
#include "TestFiles.h"

namespace vantrel::exporter::test {
namespace {

using testsupport::ReadFile;

using namespace std::string_literals;
namespace fs = std::filesystem;

TEST(OnlineListExport, FormatFollowsTheNameThenTheFilterEntry) {
    EXPECT_EQ(SheetFormatOf("/a/b.xlsx", 2), SheetFormat::Xlsx);
    EXPECT_EQ(SheetFormatOf("/a/b.XLS", 1), SheetFormat::Xls);
    EXPECT_EQ(SheetFormatOf("/a/b.xls.txt", 2), SheetFormat::Xls);
    EXPECT_EQ(SheetFormatOf("/a/b", 1), SheetFormat::Xlsx);
    EXPECT_EQ(SheetFormatOf("xls", 1), SheetFormat::Xlsx);
}

class OnlineListFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrel-list-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(OnlineListFile, XlsHoldsEveryCellAsTextAndWidensThreeColumns) {
    const TextTable rows = {{"H", "", "\xb2\xbf", "s"}};
    WriteOnlineList(SheetFormat::Xls, dir / "l.xls", rows);
    EXPECT_EQ(ReadFile(dir / "l.xls"),
              "\x09\x08\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00"                  // BOF
              "\x42\x00\x02\x00\xa8\x03"                                          // CODEPAGE 936
              "\x7d\x00\x0c\x00\x00\x00\x02\x00\x00\x14\x0f\x00\x00\x00\x00\x00"  // COLINFO
              "\x04\x02\x09\x00\x00\x00\x00\x00\x00\x00\x01\x00"
              "H"
              "\x04\x02\x08\x00\x00\x00\x01\x00\x00\x00\x00\x00"  // an empty text
              "\x04\x02\x0a\x00\x00\x00\x02\x00\x00\x00\x02\x00\xb2\xbf"
              "\x04\x02\x09\x00\x00\x00\x03\x00\x00\x00\x01\x00"
              "s"
              "\x0a\x00\x00\x00"s);
}

TEST_F(OnlineListFile, FailuresLeaveNoHalfFinishedSpreadsheet) {
    // An .xlsx that cannot be finished leaves an existing file as it was.
    std::ofstream(dir / "old.xlsx") << "old";
    const TextTable tooLong = {{std::string(40000, 'x')}};
    EXPECT_THROW(WriteOnlineList(SheetFormat::Xlsx, dir / "old.xlsx", tooLong), ExportError);
    EXPECT_EQ(ReadFile(dir / "old.xlsx"), "old");
    EXPECT_THROW(WriteOnlineList(SheetFormat::Xlsx, dir / "no" / "l.xlsx", {{"a"}}), ExportError);
    EXPECT_THROW(WriteOnlineList(SheetFormat::Xls, dir / "no" / "l.xls", {{"a"}}), ExportError);
    // More rows than a BIFF sheet has: refused before anything is written.
    const TextTable many(65537, std::vector<std::string>{"a"});
    EXPECT_THROW(WriteOnlineList(SheetFormat::Xls, dir / "many.xls", many), ExportError);
    EXPECT_FALSE(fs::exists(dir / "many.xls"));
}

// Both workbooks are put at their path only when complete: one the disk
// cannot take whole (here a limit on the size of a file) leaves the file
// there as it was and nothing beside it, and a finished one keeps the mode
// of the file it replaced and leaves a stranger's ".part" file alone.
TEST_F(OnlineListFile, WorkbooksReplaceAFileOnlyWhenComplete) {
    const std::function<void(const std::string&)> writers[] = {
        [](const std::string& path) {
            WriteOnlineList(SheetFormat::Xlsx, path, {{"a", "b"}});
        },
        [](const std::string& path) {
            WriteAssetList(path, {{"a", "b"}});
        },
    };
    const fs::path old = dir / "old.xlsx";
    for (const auto& write : writers) {
        std::ofstream(old) << "old";
        fs::permissions(old, fs::perms::owner_read | fs::perms::owner_write);
        std::ofstream(dir / "old.xlsx.part") << "not ours";
        write(old);
        EXPECT_EQ(ReadFile(old).substr(0, 2), "PK");
        EXPECT_EQ(fs::status(old).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(ReadFile(dir / "old.xlsx.part"), "not ours");
        fs::remove(dir / "old.xlsx.part");

        std::ofstream(old) << "old";
        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto action = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 1024;  // any workbook is larger
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        EXPECT_THROW(write(old), ExportError);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, action);
        const std::string kept = ReadFile(old);
        EXPECT_TRUE(kept == "old") << kept.size() << " bytes at the path";
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    }
}

TEST_F(OnlineListFile, AFailureNamesAChineseFolderInGbk) {
    // ~/桌面/ on a Chinese desktop, in the file system's UTF-8; the message is GBK.
    fs::create_directory(dir / "\xe6\xa1\x8c\xe9\x9d\xa2");
    const std::string gbk = dir.string() + "/\xd7\xc0\xc3\xe6/no/l.xls";
    for (SheetFormat format : {SheetFormat::Xls, SheetFormat::Xlsx}) {
        const fs::path path = dir / "\xe6\xa1\x8c\xe9\x9d\xa2" / "no" /
                              (format == SheetFormat::Xls ? "l.xls" : "l.xlsx");
        try {
            WriteOnlineList(format, path, {{"a"}});
            ADD_FAILURE() << "no error for " << path;
        } catch (const ExportError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("\"" + gbk), std::string::npos) << message;
        }
    }
}

}  // namespace
}  // namespace vantrel::exporter::test
