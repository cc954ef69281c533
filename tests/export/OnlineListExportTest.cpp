// The online list as a spreadsheet file: the format chosen for a name, the
// .xls records with their column widths, and failures that leave nothing
// misleading behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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
