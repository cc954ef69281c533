// Tab-separated text and semicolon-separated values, byte for byte.
#include <gtest/gtest.h>

#include "CsvExporter.h"
#include "FakeGrid.h"
#include "TextExporter.h"

namespace vantrel::exporter::test {
namespace {

const std::string kUser = "\xca\xb9\xd3\xc3\xd5\xdf";  // 使用者

FakeGrid SmallGrid() {
    FakeGrid grid;
    grid.AddColumn(kBuMen, 62);
    grid.AddColumn(kUser, 50);
    grid.AddColumn("n", 40, FieldKind::Integer);
    return grid;
}

template <typename Writer>
std::string Write(FakeGrid& grid) {
    Writer writer(grid);
    MemoryStream out;
    writer.WriteGrid(out, true);
    // The writer may be run again: its state starts afresh.
    MemoryStream again;
    writer.WriteGrid(again, true);
    EXPECT_EQ(again.Bytes(), out.Bytes());
    return out.Bytes();
}

TEST(TextExporter, LinesSeparatedByCrLfWithoutQuotingOrEscaping) {
    FakeGrid grid = SmallGrid();
    grid.rows = {{kBuMen, "a\tb", "5"}, {std::nullopt, "x\r\ny\"z", std::nullopt}};
    EXPECT_EQ(Write<TextExporter>(grid), kBuMen + "\t" + kUser + "\tn\r\n" +  //
                                             kBuMen + "\ta\tb\t5\r\n" +       //
                                             "\tx\r\ny\"z\t");
}

TEST(TextExporter, EmptyDatasetGivesTheTitleLineWithoutLineEnd) {
    FakeGrid grid = SmallGrid();
    EXPECT_EQ(Write<TextExporter>(grid), kBuMen + "\t" + kUser + "\tn");
    grid.look.titleRow = false;
    EXPECT_EQ(Write<TextExporter>(grid), "");
    grid.rows = {{"1", "2", "3"}, {"4", "5", "6"}};
    EXPECT_EQ(Write<TextExporter>(grid), "1\t2\t3\r\n4\t5\t6");
}

TEST(CsvExporter, EveryValueQuotedWithQuotesDoubled) {
    FakeGrid grid = SmallGrid();
    grid.rows = {{"a;b", "say \"hi\"", std::nullopt}, {"", "\"", "tab\there\r\n"}};
    EXPECT_EQ(Write<CsvExporter>(grid),
              "\"" + kBuMen + "\";\"" + kUser + "\";\"n\"\r\n" +  //
                  "\"a;b\";\"say \"\"hi\"\"\";\"\"\r\n" +         //
                  "\"\";\"\"\"\";\"tab\there\r\n\"");
}

TEST(CsvExporter, QuotingStepsOverDoubleByteCharacters) {
    // A trail byte is never a quote; a lone lead byte at the end stays as is.
    EXPECT_EQ(CsvExporter::Quoted("\x81\x41\"\x95\x5c"), "\"\x81\x41\"\"\x95\x5c\"");
    EXPECT_EQ(CsvExporter::Quoted("\"\xb2"), "\"\"\"\xb2\"");
    EXPECT_EQ(CsvExporter::Quoted(""), "\"\"");
    FakeGrid grid = SmallGrid();
    EXPECT_EQ(Write<CsvExporter>(grid), "\"" + kBuMen + "\";\"" + kUser + "\";\"n\"");
}

}  // namespace
}  // namespace vantrel::exporter::test
