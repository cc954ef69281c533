// Workbooks written here part by part: what the .xlsx reader carries from
// one pass over a file to the next.

#include <gtest/gtest.h>

#include <memory>

#include "ImportFixture.h"
#include "SheetReader.h"

namespace vantrel::import::testing {
namespace {

// A sheet whose merged range `range` (A2:A3 or B2:B3) spreads its first
// cell's value into the row below.
std::string Sheet(const std::string& range) {
    return "z.writestr('xl/workbook.xml', '<workbook><sheets><sheet name=\"a\" r:id=\"rId1\"/>"
           "</sheets></workbook>')\n"
           "z.writestr('xl/worksheets/sheet1.xml', '<worksheet><sheetData>"
           "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>bm</t></is></c>"
           "<c r=\"B1\" t=\"inlineStr\"><is><t>pcname</t></is></c></row>"
           "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>dept</t></is></c>"
           "<c r=\"B2\" t=\"inlineStr\"><is><t>pc</t></is></c></row>"
           "<row r=\"3\"><c r=\"A3\"/><c r=\"B3\"/></row>"
           "</sheetData><mergeCells><mergeCell ref=\"" +
           range + "\"/></mergeCells></worksheet>')\n";
}

// The passes of one import share what they learn of a sheet; a workbook
// written anew under the same name must not be read as the one before.
TEST_F(ImportFixture, XlsxRewrittenUnderTheSameNameIsReadAnew) {
    const std::string path = dir_ + "/book.xlsx";
    const struct {
        const char* range;
        std::vector<std::string> third;  // the third row as read
    } versions[] = {
        {"A2:A3", {"dept", ""}},
        {"B2:B3", {"", "pc"}},
        {"A2:A3", {"dept", ""}},
    };
    for (const auto& version : versions) {
        SCOPED_TRACE(version.range);
        MakeZip(path, Sheet(version.range));
        for (int pass = 0; pass < 2; ++pass) {
            const std::unique_ptr<SheetReader> reader = OpenSheet(path);
            std::vector<std::string> cells;
            ASSERT_TRUE(reader->NextRow(cells));
            ASSERT_TRUE(reader->NextRow(cells));
            ASSERT_TRUE(reader->NextRow(cells));
            EXPECT_EQ(cells, version.third);
        }
    }
}

}  // namespace
}  // namespace vantrel::import::testing
