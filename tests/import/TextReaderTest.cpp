// Text and web files: separators, quoting, encodings and entities, read
// through the same entry the import uses.

#include <gtest/gtest.h>

#include <memory>

#include "ImportFixture.h"
#include "SheetReader.h"

namespace vantrel::import::testing {
namespace {

class TextReaderTest : public ImportFixture {
  protected:
    std::vector<std::vector<std::string>> ReadAll(const std::string& path) {
        std::unique_ptr<SheetReader> reader = OpenSheet(path);
        std::vector<std::vector<std::string>> rows;
        std::vector<std::string> cells;
        while (reader->NextRow(cells)) {
            rows.push_back(cells);
        }
        replaced_ = reader->Replaced();
        return rows;
    }
    std::size_t replaced_ = 0;
};

struct TextCase {
    const char* name;
    std::string bytes;
    std::vector<std::vector<std::string>> rows;  // GBK
};

TEST_F(TextReaderTest, SeparatorsQuotingAndEncodings) {
    const std::string bm = G("部门");
    const std::string caiwu = G("财务部");
    const TextCase cases[] = {
        {"utf8-bom-comma.csv",
         "\xEF\xBB\xBF部门,mac\r\n财务部,00-1A\r\n",
         {{bm, "mac"}, {caiwu, "00-1A"}}},
        {"utf8-semicolon.csv", "部门;mac\n财务部;x\n", {{bm, "mac"}, {caiwu, "x"}}},
        {"gbk-tab.txt", bm + "\tmac\r\n" + caiwu + "\t y \r\n", {{bm, "mac"}, {caiwu, "y"}}},
        // Quoted separators, doubled quotes and a line break inside a field;
        // the title row's separator wins over those in its quoted cells.
        {"quoted.csv",
         "\"a;b\";c\r\n\"say \"\"hi\"\"\";\"line1\r\nline2\"\r\n",
         {{"a;b", "c"}, {"say \"hi\"", "line1\r\nline2"}}},
        {"empty-lines.csv", "a,b\r\n\r\n1,2", {{"a", "b"}, {}, {"1", "2"}}},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadAll(Write(c.name, c.bytes)), c.rows);
    }
}

TEST_F(TextReaderTest, CharactersGbkLacksAreCountedAsQuestionMarks) {
    const auto rows = ReadAll(Write("emoji.csv", "pcname\nPC-😀-€\n"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][0], "PC-?-\x80");  // GBK has the euro sign (0x80)
    EXPECT_EQ(replaced_, 1u);
}

TEST_F(TextReaderTest, HtmlFirstTableWithEntities) {
    const std::string page =
        "<html><head><meta charset=utf-8></head><body><p>x</p>"
        "<table border=1><tr><th>PC名</th><th>备注</th></tr>"
        "<tr><td><b>PC&amp;1</b></td><td>a &lt;b&gt; &#x4E2D;&#25991; &quot;q&quot;&nbsp;</td></tr>"
        "<tr><td>&nbsp</td><td><table><tr><td>in</td><td>ner</td></tr></table></td></tr>"
        "</table><table><tr><td>second</td></tr></table></body></html>";
    const auto rows = ReadAll(Write("page.htm", page));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{G("PC名"), G("备注")}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"PC&1", G("a <b> 中文 \"q\"")}));
    EXPECT_EQ(rows[2][0], "");
    EXPECT_NE(rows[2][1].find("in"), std::string::npos);
}

}  // namespace
}  // namespace vantrel::import::testing
