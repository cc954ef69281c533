// Files that are not a list of PCs, or are broken or hostile: each is
// refused with a message and writes nothing, without a hang or a crash.

#include <gtest/gtest.h>

#include "ImportFixture.h"
#include "ImportLimits.h"

namespace vantrel::import::testing {
namespace {

constexpr const char* kWorkbook =
    "z.writestr('xl/workbook.xml', '<workbook><sheets><sheet name=\"a\" r:id=\"rId1\"/>"
    "</sheets></workbook>')\n"
    "z.writestr('xl/_rels/workbook.xml.rels', '<Relationships><Relationship Id=\"rId1\" "
    "Target=\"worksheets/sheet1.xml\"/></Relationships>')\n";

TEST_F(ImportFixture, BadFilesAreRefusedAndWriteNothing) {
    Exec("insert into ip (pcname,mac) values ('kept','00-1A-2B-3C-4D-5E')");
    std::string wide = "pcname";
    for (int i = 0; i < 10000; ++i) {
        wide += ",c";
    }
    const std::string bigCell = "pcname,bz\r\nx," + std::string(10 * 1024 * 1024, 'y') + "\r\n";
    // An encrypted Office file is a compound file holding this stream.
    std::string encrypted("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    encrypted += std::string(504, '\0');
    for (const char c : std::string_view("EncryptedPackage")) {
        encrypted += c;
        encrypted += '\0';
    }
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

}  // namespace
}  // namespace vantrel::import::testing
