// The BIFF worksheet byte for byte: records, counters, the record chosen per
// field kind, and values that do not fit.
#include <gtest/gtest.h>

#include <cstring>

#include "ExportError.h"
#include "FakeGrid.h"
#include "XlsExporter.h"

namespace vantrel::exporter::test {
namespace {

using namespace std::string_literals;

const std::string kBof = "\x09\x08\x08\x00\x00\x00\x10\x00\x00\x00\x00\x00"s;
const std::string kCodePage = "\x42\x00\x02\x00\xa8\x03"s;
const std::string kEof = "\x0a\x00\x00\x00"s;

std::string Write(FakeGrid& grid) {
    XlsExporter writer(grid);
    MemoryStream out;
    writer.WriteGrid(out, true);
    return out.Bytes();
}

std::string Cell(std::string number, std::string length, int row, int col, std::string rest) {
    return number + length + std::string{static_cast<char>(row), static_cast<char>(row >> 8)} +
           std::string{static_cast<char>(col), '\0'} + rest;
}

TEST(XlsExporter, RecordsOfEachFieldKind) {
    FakeGrid grid;
    grid.AddColumn(kBuMen, 62);
    grid.AddColumn("abc", 10, FieldKind::Integer);
    grid.AddColumn("f", 10, FieldKind::Float);
    grid.AddColumn("d", 10, FieldKind::DateTime);
    grid.rows = {{"abc", "5", "1.5", "2024-05-06 09:07:03"},
                 {std::nullopt, "-1", "x", std::nullopt}};
    const std::string label = "\x04\x02"s;
    const std::string expected =
        kBof + kCodePage +  //
        Cell(label, "\x0c\x00"s, 0, 0, "\x00\x00\x04\x00"s + kBuMen) +
        Cell(label, "\x0b\x00"s, 0, 1,
             "\x00\x00\x03\x00"
             "abc"s) +
        Cell(label, "\x09\x00"s, 0, 2,
             "\x00\x00\x01\x00"
             "f"s) +
        Cell(label, "\x09\x00"s, 0, 3,
             "\x00\x00\x01\x00"
             "d"s) +
        Cell(label, "\x0b\x00"s, 1, 0,
             "\x00\x00\x03\x00"
             "abc"s) +
        Cell("\x7e\x02"s, "\x0a\x00"s, 1, 1, "\x00\x00\x16\x00\x00\x00"s) +  // RK 22 for 5
        Cell("\x03\x02"s, "\x0e\x00"s, 1, 2, "\x00\x00\x00\x00\x00\x00\x00\x00\xf8\x3f"s) +
        Cell(label, "\x1b\x00"s, 1, 3,
             "\x00\x00\x13\x00"
             "2024-05-06 09:07:03"s) +
        Cell("\x01\x02"s, "\x06\x00"s, 2, 0, "\x17\x00"s) +  // BLANK, format 23
        Cell("\x7e\x02"s, "\x0a\x00"s, 2, 1, "\x00\x00\xfe\xff\xff\xff"s) +
        Cell(label, "\x09\x00"s, 2, 2,
             "\x00\x00\x01\x00"
             "x"s) +  // not a number: its text
        Cell("\x01\x02"s, "\x06\x00"s, 2, 3, "\x17\x00"s) +
        kEof;
    EXPECT_EQ(Write(grid), expected);
}

TEST(XlsExporter, EmptyDatasetAndColumnWithoutField) {
    FakeGrid grid;
    grid.AddColumn("a", 10);
    EXPECT_EQ(Write(grid), kBof + kCodePage +
                               "\x04\x02\x09\x00\x00\x00\x00\x00\x00\x00\x01\x00"
                               "a"s +
                               kEof);
    grid.columns[0].field = -1;
    grid.look.titleRow = false;  // the first record is then row 0
    grid.rows = {{"ignored"}};
    EXPECT_EQ(Write(grid), kBof + kCodePage + "\x01\x02\x06\x00\x00\x00\x00\x00\x17\x00"s + kEof);
}

double NumberOfOnlyCell(const std::string& bytes) {
    // BOF, CODEPAGE, then NUMBER: 4 bytes of head, row, col, format, value.
    EXPECT_EQ(bytes.substr(18, 2), "\x03\x02"s);
    double value = 0;
    std::memcpy(&value, bytes.data() + 18 + 10, sizeof value);
    return value;
}

TEST(XlsExporter, IntegersOutsideTheRkRangeAreExactNumbers) {
    FakeGrid grid;
    grid.look.titleRow = false;
    grid.AddColumn("n", 10, FieldKind::Integer);
    for (long long value :
         {536870912LL, -536870913LL, 2147483647LL, -2147483648LL, 9007199254740992LL}) {
        grid.rows = {{std::to_string(value)}};
        EXPECT_EQ(NumberOfOnlyCell(Write(grid)), static_cast<double>(value)) << value;
    }
    grid.rows = {{"536870911"}};
    EXPECT_EQ(Write(grid).substr(18, 2), "\x7e\x02"s);
    // Beyond 2^53 a double is not exact: the text is kept instead.
    grid.rows = {{"9007199254740993"}};
    EXPECT_EQ(Write(grid).substr(18, 2), "\x04\x02"s);
}

TEST(XlsExporter, TextTooLongOrRowBeyondTheLastFailsInsteadOfWrapping) {
    FakeGrid grid;
    grid.AddColumn("a", 10);
    grid.rows = {{std::string(65527, 'x')}};
    EXPECT_EQ(Write(grid).size(), 18 + 13 + 12 + 65527 + 4u);
    grid.rows = {{std::string(65528, 'x')}};
    EXPECT_THROW(Write(grid), ExportError);

    // Title row 0 and records in rows 1..65535 fit; one more record fails.
    grid.rows.assign(65535, FakeGrid::Row{"v"});
    const std::string full = Write(grid);
    EXPECT_EQ(full.substr(full.size() - 4 - 13, 6), "\x04\x02\x09\x00\xff\xff"s);
    grid.rows.emplace_back(FakeGrid::Row{"v"});
    XlsExporter writer(grid);
    MemoryStream out;
    EXPECT_THROW(writer.WriteGrid(out, true), ExportError);
    // No cell went back to row 0 and no EOF was written.
    EXPECT_EQ(out.Bytes(), full.substr(0, full.size() - 4));
}

}  // namespace
}  // namespace vantrel::exporter::test
