// The .xls reader: a workbook built record by record with every kind of
// cell it reads, damaged and hostile files built the same way (each must
// be refused with a box, within its bounds and quickly), and workbooks
// that LibreOffice writes, read as their .xlsx twins read.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "ImportFixture.h"
#include "SheetReader.h"
#include "XlsBytes.h"

namespace vantrel::import::testing {
namespace {

using namespace xls;
using Rows = std::vector<std::vector<std::string>>;

class XlsReaderTest : public ImportFixture {
  protected:
    static Rows ReadAll(const std::string& path, std::size_t sheet = 0) {
        const auto reader = OpenSheet(path, sheet);
        Rows rows;
        std::vector<std::string> cells;
        while (reader->NextRow(cells)) {
            rows.push_back(cells);
            EXPECT_EQ(reader->RowNumber(), rows.size());
        }
        return rows;
    }
    // The message of the ImportError reading `bytes` throws; "" when none.
    std::string ReadFailure(std::string_view bytes) {
        const std::string path = Write("book.xls", bytes);
        try {
            SheetNames(path);
            ReadAll(path);
        } catch (const ImportError& error) {
            return error.what();
        }
        return "";
    }
};

std::string Xf(std::uint16_t format) {
    std::string b;
    Put16(b, 0);
    Put16(b, format);
    b.append(16, '\0');
    return Record(0x00E0, b);
}

std::string Rk(std::uint16_t row, std::uint16_t col, std::uint32_t rk) {
    std::string b = CellHead(row, col);
    Put32(b, rk);
    return Record(0x027E, b);
}

std::string BoolErr(std::uint16_t row, std::uint16_t col, char value, char error) {
    return Record(0x0205, CellHead(row, col) + std::string{value, error});
}

TEST_F(XlsReaderTest, EveryKindOfCellReads) {
    // Shared strings over several CONTINUE records, one of them going on
    // from one-byte to two-byte characters in the middle.
    std::vector<std::u16string> strings;
    for (int i = 0; i < 3000; ++i) {
        const std::string n = std::to_string(i);
        std::u16string s = i % 7 == 0 ? u"pc-" : u"电脑-";
        s.append(n.begin(), n.end());
        strings.push_back(s);
    }
    strings.push_back(std::u16string(9000, u'x') + u"中文");
    std::string format;
    Put16(format, 164);
    const std::string globals = Record(0x041E, format + WideText(u"yyyy\"年\"m\"月\"d\"日\"")) +
                                Xf(0) + Xf(14) + Xf(164) + SharedStrings(strings, 8224);
    std::string mulrk = CellHead(1, 4);
    mulrk.resize(4);
    for (const std::uint32_t v : {17u, 18u}) {
        Put16(mulrk, 0);
        Put32(mulrk, v << 2 | 2);
    }
    Put16(mulrk, 5);
    const std::string computers =
        LabelSst(0, 0, 0) + Label(0, 1, u"名称 ") + LabelSst(0, 2, 3) +
        Number(1, 0, 45356.5 + 1.0 / 48, 1) + Number(1, 1, 45357, 2) + Rk(1, 2, 8659 << 2 | 2) +
        Rk(1, 3, 1234 << 2 | 3) + Record(0x00BD, mulrk) + Formula(2, 0, NumberResult(16384)) +
        Formula(2, 1, SpecialResult(0)) + Record(0x04BC, std::string(12, '\0')) + String(u"PC-01") +
        Formula(2, 2, SpecialResult(1, 1)) + Formula(2, 3, SpecialResult(2, 7)) +
        Formula(2, 4, SpecialResult(3)) + BoolErr(2, 5, 0, 0) + BoolErr(2, 6, 7, 1) +
        Label(4, 0, u"财务部") + LabelSst(4, 3, 3000) + Bof(0x20) + Label(9, 9, u"图表里的字") +
        Eof() +  // an embedded chart
        Merged({{4, 6, 0, 1}, {2, 2, 7, 8}, {8, 9, 0, 0}});
    const std::string others =
        Label(2, 0, u"c") + Label(1, 0, u"b") + Label(0, 1, u"a2") + Label(0, 0, u"a");
    const std::string path = Write(
        "book.xls",
        Compound(Workbook(globals, {{u"电脑", computers}, {u"图表", "", 2}, {u"别的", others}})));

    EXPECT_EQ(SheetNames(path), (std::vector<std::string>{G("电脑"), G("别的")}));
    Rows rows = ReadAll(path);
    ASSERT_EQ(rows.size(), 10u);
    ASSERT_EQ(rows[4].size(), 4u);
    EXPECT_TRUE(rows[4][3] == std::string(9000, 'x') + G("中文")) << "a string over CONTINUEs";
    rows[4][3] = "long";
    const std::string merged = G("财务部");
    const Rows expected = {
        {"pc-0", G("名称"), G("电脑-3")},
        {"2024-03-05 12:30:00", "2024-03-06 00:00:00", "8659", "12.34", "17", "18"},
        {"16384", "PC-01", "TRUE", "", "", "FALSE"},
        {},
        {merged, merged, "", "long"},
        {merged, merged},
        {merged, merged},
        {},
        {},
        {},  // a merged range whose first cell is empty fills nothing
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(ReadAll(path, 1), (Rows{{"a", "a2"}, {"b"}, {"c"}})) << "cells out of row order";

    const std::string small =
        Write("small.xls", CompoundSmall(Workbook("", {{u"小", others + Number(3, 0, 1.5)}})));
    EXPECT_EQ(ReadAll(small), (Rows{{"a", "a2"}, {"b"}, {"c"}, {"1.5"}}))
        << "a workbook in the mini stream";
}

// An Excel 5.0/95 workbook: a "Book" stream, 8-bit text in the code page
// its CODEPAGE record names.
TEST_F(XlsReaderTest, Excel95WorkbookReads) {
    std::string codePage;
    Put16(codePage, 936);
    const std::string globalsHead = Bof(5, 0x0500) + Record(0x0042, codePage) + Xf(0) + Xf(14);
    const std::string name = G("电脑");
    std::string boundSheet;
    Put32(boundSheet, 0);  // patched below
    boundSheet += std::string{0, 0, static_cast<char>(name.size())} + name;
    const std::size_t offset = globalsHead.size() + 4 + boundSheet.size() + Eof().size();
    boundSheet.replace(0, 4, std::string{static_cast<char>(offset), 0, 0, 0});
    const std::string stream = globalsHead + Record(0x0085, boundSheet) + Eof() +
                               Bof(0x10, 0x0500) + ByteLabel(0, 0, G("计算机名")) +
                               ByteLabel(1, 0, G("财务-01")) + Number(1, 1, 45357, 1) + Eof();
    ASSERT_LT(offset, 256u);
    const std::string path = Write("book95.xls", Compound(stream, {.name = u"Book"}));
    EXPECT_EQ(SheetNames(path), std::vector<std::string>{name});
    EXPECT_EQ(ReadAll(path), (Rows{{G("计算机名")}, {G("财务-01"), "2024-03-06 00:00:00"}}));
}

TEST_F(XlsReaderTest, DamagedFilesAreRefusedWithABox) {
    const std::string sheet = Label(0, 0, u"MAC地址") + Label(1, 0, u"00-1A-2B-3C-4D-5E");
    const std::string good = Workbook("", {{u"电脑", sheet}});
    std::string encrypted = Workbook(Record(0x002F, std::string(54, '\0')), {{u"电脑", sheet}});
    std::string oldBof = good;
    oldBof[4] = '\x00';
    oldBof[5] = '\x02';  // BIFF2
    std::string farSheet = good;
    const std::size_t sheetName = farSheet.find(Utf16(u"电脑"));
    Put32(farSheet, 0);  // keep the size; the offset is patched below
    farSheet.resize(farSheet.size() - 4);
    farSheet.replace(sheetName - 8, 4, "\xFF\xFF\xFF\x00", 4);
    std::string bare = Bof(0x10) + ByteLabel(0, 0, "MAC") + ByteLabel(1, 0, "x");
    bare.resize(bare.size() - 1);  // the last record cut short

    const struct {
        const char* what;
        std::string bytes;
        std::string says;
    } cases[] = {
        {"directory name length 0xFFFF", Compound(good, {.nameLength = 0xFFFF}), G("已损坏")},
        {"stream sectors loop", Compound(good, {.streamLoops = true}), G("已损坏")},
        {"directory sector loops", Compound(good, {.directoryLoops = true}), G("已损坏")},
        {"file cut in the stream", Compound(good, {.cutTo = 512 * 3 + 100}), G("已损坏")},
        {"stream larger than the file", Compound(good, {.declaredSize = 0x7FFFFFF0}), G("已损坏")},
        {"header cut short", Compound(good).substr(0, 300), G("已损坏")},
        {"BIFF2 workbook", Compound(oldBof), G("已损坏")},
        {"sheet past the stream", Compound(farSheet), G("已损坏")},
        {"bare stream cut short", bare, G("已损坏")},
        {"password", Compound(encrypted), G("密码")},
        {"shared string past the table",
         Compound(Workbook(SharedStrings({u"MAC"}, 8224),
                           {{u"电脑", LabelSst(0, 0, 0) + LabelSst(1, 2, 1)}})),
         G("第 2 行第 C 列（C2）的文字在文件中找不到")},
        {"formula text without its STRING",
         Compound(Workbook(
             "", {{u"电脑", sheet + Formula(2, 1, SpecialResult(0)) + Label(3, 0, u"x")}})),
         G("第 3 行第 B 列（B3）是公式")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NE(ReadFailure(c.bytes).find(c.says), std::string::npos) << ReadFailure(c.bytes);
    }
    EXPECT_EQ(ReadFailure(Compound(good)), "") << "the undamaged file reads";
}

// A bare stream read through: what it threw, the processor time it took
// and the rows it gave.
struct Outcome {
    std::string failure;
    double seconds;
    std::size_t rows;
};

TEST_F(XlsReaderTest, HostileSheetsStopAtTheirBoundsQuickly) {
    const auto run = [&](const std::string& records) {
        const std::string path = Write("hostile.xls", Bof(0x10) + records + Eof());
        const std::clock_t start = std::clock();
        Outcome outcome{"", 0, 0};
        try {
            const auto reader = OpenSheet(path);
            std::vector<std::string> cells;
            while (reader->NextRow(cells)) {
                ++outcome.rows;
            }
        } catch (const ImportError& error) {
            outcome.failure = error.what();
        }
        outcome.seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
        return outcome;
    };

    // 65,535 cells at column 1,023: each row is handed out 1,024 cells
    // wide, but nothing holds the rows padded.
    std::string farColumn;
    for (std::uint16_t row = 0; row < 65535; ++row) {
        farColumn += Number(row, 1023, row);
    }
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const Outcome wide = run(farColumn);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    EXPECT_EQ(wide.failure, "");
    EXPECT_EQ(wide.rows, 65535u);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 100 * 1024) << "KiB more at the peak";

    std::string manyRanges;
    for (int record = 0; record < 9; ++record) {
        std::vector<std::vector<std::uint16_t>> ranges;
        for (std::uint16_t i = 0; i < 8000; ++i) {
            ranges.push_back({static_cast<std::uint16_t>(record * 8000 + i),
                              static_cast<std::uint16_t>(record * 8000 + i), 0, 1});
        }
        manyRanges += Merged(ranges);
    }
    const struct {
        const char* what;
        std::string records;
        std::string says;
    } cases[] = {
        {"a merged range fills a row past 2 MB",
         ByteLabel(0, 0, std::string(10000, 'x')) + Merged({{0, 65534, 0, 1023}}),
         G("第 1 行的内容合计超过 2 MB")},
        {"a merged range fills the sheet past its bound",
         ByteLabel(0, 0, std::string(60000, 'y')) + Merged({{0, 65534, 0, 29}}),
         G("工作表的内容已超过 256 MB")},
        {"cells of one row past 2 MB",
         [] {
             std::string r = ByteLabel(0, 0, "a");
             for (std::uint16_t c = 0; c < 200; ++c) {
                 r += ByteLabel(1, c, std::string(50000, 'z'));
             }
             return r;
         }(),
         G("第 2 行的内容合计超过 2 MB")},
        {"a cell past column 1,024", ByteLabel(4, 1024, "x"), G("第 5 行的列数超过 1024")},
        {"too many merged ranges", manyRanges, G("合并单元格")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = run(c.records);
        EXPECT_NE(outcome.failure.find(c.says), std::string::npos)
            << text::GbkToUtf8(outcome.failure) << " rows " << outcome.rows;
        EXPECT_LT(outcome.seconds, 5.0) << "processor seconds (ASan build)";
    }
}

// Workbooks LibreOffice writes as .xls and as .xlsx from one openpyxl
// workbook (so that LibreOffice computes the formulas): the .xls reads
// row for row as the .xlsx does, and imports.
TEST_F(XlsReaderTest, LibreOfficeWorkbooksReadAsTheirXlsxTwins) {
    const std::string script = R"(import datetime, sys, openpyxl
book = openpyxl.Workbook()
sheet = book.active
sheet.title = "电脑"
sheet.append(["计算机名", "MAC地址", "电话", "内存大小", "倍数", "说明", "开机", "登记时间", "购买日期"])
for i in range(1, 1501):
    r = i + 1
    sheet.append(["电脑-%04d" % i, "00-1A-2B-3C-%02X-%02X" % (i // 256, i % 256), 8600 + i,
                  4096 * (i % 4 + 1), "=D%d*2" % r, '="PC-"&TEXT(C%d,"0")' % r, "=D%d>8000" % r,
                  datetime.datetime(2024, 3, 5, 14, 30) + datetime.timedelta(days=i),
                  datetime.date(2024, 1, 1) + datetime.timedelta(days=i)])
    sheet["H%d" % r].number_format = "yyyy-mm-dd hh:mm:ss"
    sheet["I%d" % r].number_format = "yyyy/m/d"
sheet["E1502"] = "=1/0"
sheet["F1503"] = "合并"
sheet.merge_cells("F1503:G1504")
book.save(sys.argv[1])
)";
    const std::string py = dir_ + "/make.py";
    std::ofstream(py) << script;
    if (std::system(("/usr/bin/python3 " + py + " " + dir_ + "/book.xlsx").c_str()) != 0) {
        GTEST_SKIP() << "python3-openpyxl is missing";
    }
    for (const char* format : {"xls", "xlsx"}) {
        const std::string command = "cd " + dir_ + " && HOME=" + dir_ +
                                    " libreoffice -env:UserInstallation=file://" + dir_ +
                                    "/profile --headless --convert-to " + format + " --outdir " +
                                    dir_ + "/lo book.xlsx >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            GTEST_SKIP() << "LibreOffice (libreoffice-calc-nogui) is missing";
        }
    }
    const std::string xls = dir_ + "/lo/book.xls";
    Rows fromXls = ReadAll(xls);
    Rows fromXlsx = ReadAll(dir_ + "/lo/book.xlsx");
    ASSERT_EQ(fromXls.size(), 1504u);
    EXPECT_EQ(fromXls[1], (std::vector<std::string>{G("电脑-0001"), "00-1A-2B-3C-00-01", "8601",
                                                    "8192", "16384", "PC-8601", "TRUE",
                                                    "2024-03-06 14:30:00", "2024-01-02 00:00:00"}));
    EXPECT_EQ(fromXls[1500][4], "8192");
    EXPECT_EQ(fromXls[1500][6], "FALSE");
    EXPECT_EQ(fromXls[1501], std::vector<std::string>()) << "an error result reads as empty";
    const std::vector<std::string> merged = {"", "", "", "", "", G("合并"), G("合并")};
    EXPECT_EQ(fromXls[1502], merged);
    EXPECT_EQ(fromXls[1503], merged);
    ASSERT_GE(fromXlsx.size(), 1504u);
    fromXlsx.resize(1504);
    fromXlsx[1501].clear();  // the .xlsx gives the error's text
    EXPECT_EQ(fromXls, fromXlsx);

    const ImportCounts counts = Import(xls);
    EXPECT_EQ(counts.added, 1500u);
    EXPECT_EQ(Query("select dh from ip where mac='00:1A:2B:3C:05:DC'"),
              (std::vector<Cells>{{"10100"}}));
}

}  // namespace
}  // namespace vantrel::import::testing
