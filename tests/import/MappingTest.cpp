// The title match and the cell rules every reader shares.

#include <gtest/gtest.h>

#include "CellText.h"
#include "ColumnMapping.h"
#include "ImportFixture.h"
#include "ImportRun.h"
#include "IpColumns.h"

namespace vantrel::import::testing {
namespace {

std::optional<std::size_t> Column(std::string_view name) {
    for (std::size_t i = 0; i < protocol::kIpColumns.size(); ++i) {
        if (protocol::kIpColumns[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

TEST(ColumnMapping, TitlesNamesAndSynonymsIgnoringCaseBlanksAndWidth) {
    const std::pair<const char*, const char*> cases[] = {
        {"部门", "bm"},         {"MAC地址", "mac"},     {"mac地址", "mac"},
        {" pcname ", "pcname"}, {"PCNAME", "pcname"},   {"ＰＣ名", "pcname"},
        {"计算机名", "pcname"}, {"电脑名", "pcname"},   {"姓名", "username"},
        {"部门名称", "bm"},     {"内存大小", "rammax"}, {"操作系统", "os"},
        {"ＩＰ", "ip"},         {"I P", "ip"},          {"MAC", "mac"},
        {"登记时间", "djsj"},   {"BIOS号", "bios"},     {"可用物理内存", "rammin"},
        {"部　门", "bm"},  // a full-width space
    };
    for (const auto& [title, column] : cases) {
        SCOPED_TRACE(title);
        EXPECT_EQ(ColumnOfTitle(G(title)), Column(column));
    }
    for (const char* other : {"", "序号", "MAC地址2"}) {
        EXPECT_EQ(ColumnOfTitle(G(other)), std::nullopt) << other;
    }
    // A column named twice goes to the first title only.
    EXPECT_EQ(MapTitles({G("电脑名"), G("序号"), "pcname"}),
              (ColumnMapping{Column("pcname"), std::nullopt, std::nullopt}));
}

TEST(CellRules, NumbersDatesMacsAndBlanks) {
    EXPECT_EQ(NumberText(8659), "8659");
    EXPECT_EQ(NumberText(8192.0), "8192");
    EXPECT_EQ(NumberText(-3), "-3");
    EXPECT_EQ(NumberText(0.1 + 0.2), "0.3");
    EXPECT_EQ(NumberText(13912345678.0), "13912345678");
    EXPECT_EQ(SerialDateText(45356.6041666667), "2024-03-05 14:30:00");
    EXPECT_EQ(SerialDateText(1), "1900-01-01 00:00:00");
    EXPECT_EQ(SerialDateText(61), "1900-03-01 00:00:00");  // past Excel's 29 February 1900
    EXPECT_EQ(SerialDateText(0.9999999999), "1900-01-01 00:00:00");
    EXPECT_EQ(SerialDateText(43894.5, true), "2024-03-05 12:00:00");
    EXPECT_EQ(SerialDateText(-1), "");

    for (const char* mac :
         {"00-1A-2B-3C-4D-5E", "00:1a:2b:3c:4d:5e", "001A2B3C4D5E", "00.1A.2B.3C.4D.5E"}) {
        EXPECT_TRUE(IsMacAddress(mac)) << mac;
    }
    for (const char* mac : {"", "00-1A-2B-3C-4D", "00-1A-2B-3C-4D-5G", "00-1A:2B-3C-4D-5E",
                            "0-01A-2B-3C-4D-5E", "00-1A-2B-3C-4D-5E-6F"}) {
        EXPECT_FALSE(IsMacAddress(mac)) << mac;
    }
    EXPECT_EQ(TrimmedGbk(G("　 张三 \t")), G("张三"));
    EXPECT_EQ(TrimmedGbk(" \r\n"), "");
}

TEST(CellRules, ProblemRowsNameTheirReason) {
    const ColumnMapping mapping{Column("pcname"), Column("mac"), Column("dh")};
    struct Case {
        std::vector<std::string> cells;
        bool writesEveryCell;
        const char* reason;  // part of it, UTF-8; null: no problem
    };
    const Case cases[] = {
        {{"pc", "", ""}, true, nullptr},
        {{"", "00-1A-2B-3C-4D-5E"}, false, nullptr},  // a spreadsheet leaves empties out
        {{"pc", "", "", ""}, false, nullptr},         // and may note empty cells past them
        {{"pc", ""}, true, "列数"},
        {{"pc", "", "", "x"}, false, "列数"},
        {{"", "", "1"}, true, "没有 MAC 地址，也没有 PC 名"},
        {{"pc", "00-1A", ""}, true, "不是六组十六进制数"},
        {{"pc", "", std::string(256, '9')}, true, "内容太长"},
    };
    for (const Case& c : cases) {
        const CheckedRow row = CheckRow(c.cells, 3, c.writesEveryCell, mapping);
        if (c.reason == nullptr) {
            EXPECT_FALSE(row.problem) << text::GbkToUtf8(*row.problem);
        } else {
            ASSERT_TRUE(row.problem) << c.reason;
            EXPECT_NE(row.problem->find(G(c.reason)), std::string::npos)
                << text::GbkToUtf8(*row.problem);
        }
    }
}

// The check that tells a UTF-8 list from a GBK one steps over ASCII eight
// bytes at a time: what it finds must not depend on where a character
// falls, nor on where the file's blocks end.
TEST(Utf8Check, FindsEveryFaultWhereverItFallsAndAcrossBlocks) {
    const std::string chinese = "\xe4\xb8\xad";  // 中
    for (std::size_t at = 0; at < 20; ++at) {
        SCOPED_TRACE(at);
        const std::string ascii(at, 'a');
        const std::string tail(11, 'b');
        EXPECT_FALSE(IsValidUtf8(ascii + "\xd6\xd0" + tail));  // 中 in GBK
        EXPECT_FALSE(IsValidUtf8(ascii + "\x80" + tail));
        EXPECT_FALSE(IsValidUtf8(ascii + "\xe4\xb8"));             // cut short at the end
        EXPECT_FALSE(IsValidUtf8(ascii + "\xed\xa0\x80" + tail));  // a surrogate
        const std::string good = ascii + chinese + tail + chinese;
        EXPECT_TRUE(IsValidUtf8(good));
        EXPECT_TRUE(IsPlainAscii(ascii + tail));
        for (std::size_t split = 0; split <= good.size(); ++split) {
            Utf8Check check;
            check.Feed(std::string_view(good).substr(0, split));
            check.Feed(std::string_view(good).substr(split));
            EXPECT_TRUE(check.Valid() && check.SawNonAscii()) << split;
        }
        Utf8Check plain;
        plain.Feed(ascii + tail);
        EXPECT_TRUE(plain.Valid());
        EXPECT_FALSE(plain.SawNonAscii());
    }
}

}  // namespace
}  // namespace vantrel::import::testing
