// Code page 936 rules: every scan steps over double-byte characters whole,
// so a trail byte that looks like ASCII is never read, matched or folded.
#include <gtest/gtest.h>

#include <string>

#include "Gbk.h"

namespace vantrel::text {
namespace {

// 财务部 and 张三 in code page 936.
const std::string kFinance = "\xB2\xC6\xCE\xF1\xB2\xBF";
const std::string kZhang = "\xD5\xC5\xC8\xFD";
// Lead bytes with trail bytes that look like ASCII: 'A', 'a', '\\', '{',
// '}', '|'; '"' and ';' are no GBK trail bytes but are scanned the same way.
const std::string kTrailA = "\x81\x41";
const std::string kTraila = "\x81\x61";
const std::string kTrailBackslash = "\x95\x5C";
const std::string kTrailOpenBrace = "\x99\x7B";
const std::string kTrailCloseBrace = "\x99\x7D";
const std::string kTrailBar = "\x81\x7C";
const std::string kTrailQuote = "\x81\x22";
const std::string kTrailSemicolon = "\x81\x3B";

TEST(Gbk, FindSingleByteSkipsLookAlikeTrailBytes) {
    for (const std::string& c : {kTrailBackslash, kTrailOpenBrace, kTrailCloseBrace, kTrailBar,
                                 kTrailQuote, kTrailSemicolon, kTrailA}) {
        char look = c[1];
        EXPECT_EQ(FindSingleByte(c, look), std::string::npos) << int(look);
        EXPECT_EQ(FindSingleByte(c + kZhang + look, look), 6u) << int(look);
    }
    EXPECT_EQ(FindSingleByte("a=b=c", '=', 2), 3u);
    // A lead byte at the very end stands alone and hides nothing.
    EXPECT_EQ(FindSingleByte("ab\x81", 'x'), std::string::npos);
}

TEST(Gbk, CaseFoldingLeavesTrailBytesAlone) {
    EXPECT_EQ(AsciiUpper("post" + kTraila + "x"), "POST" + kTraila + "X");
    EXPECT_EQ(AsciiLower("Text/HTML" + kTrailA), "text/html" + kTrailA);
    EXPECT_EQ(AsciiLower("\xC4\xC4"), "\xC4\xC4");
    EXPECT_TRUE(EqualsIgnoringAsciiCase("UserName", "username"));
    EXPECT_FALSE(EqualsIgnoringAsciiCase("user", "users"));
}

TEST(Gbk, EqualsIgnoringCaseComparesDoubleBytesWhole) {
    EXPECT_TRUE(EqualsIgnoringCase("00-1A-2b", "00-1a-2B"));
    EXPECT_TRUE(EqualsIgnoringCase(kFinance, kFinance));
    EXPECT_FALSE(EqualsIgnoringCase(kTrailA, kTraila));
    EXPECT_FALSE(EqualsIgnoringCase("a", "a "));
    EXPECT_TRUE(EqualsIgnoringCase("", ""));
    EXPECT_FALSE(EqualsIgnoringCase("\xC4", "\xE4"));
}

TEST(Gbk, ContainsMatchesAtCharacterBoundariesOnly) {
    EXPECT_TRUE(ContainsIgnoringCase("PC-" + kZhang + "-Win", "-win"));
    EXPECT_TRUE(ContainsIgnoringCase(kFinance, "\xCE\xF1"));
    // "\xC6\xCE" spans two characters of the text.
    EXPECT_FALSE(ContainsIgnoringCase(kFinance, "\xC6\xCE"));
    EXPECT_FALSE(ContainsIgnoringCase("x" + kTrailA, "a"));
    EXPECT_FALSE(ContainsIgnoringCase(kTrailBackslash, "\\"));
    EXPECT_FALSE(ContainsIgnoringCase(kTrailOpenBrace + kTrailCloseBrace, "{"));
    EXPECT_TRUE(ContainsIgnoringCase("a\\b", "\\"));
    EXPECT_TRUE(ContainsIgnoringCase("anything", ""));
    // Wildcards of other tools are plain characters.
    EXPECT_TRUE(ContainsIgnoringCase("50%_off*", "%_O"));
    EXPECT_FALSE(ContainsIgnoringCase("ab", "a*"));
}

TEST(Gbk, ValidityAndCharacterBoundaries) {
    EXPECT_TRUE(IsValidGbk(""));
    EXPECT_TRUE(IsValidGbk("abc" + kFinance + kTrailBackslash + kTrailOpenBrace + "\x80"));
    EXPECT_FALSE(IsValidGbk("ab\xB2"));    // lead byte without trail
    EXPECT_FALSE(IsValidGbk("\xB2\x30"));  // trail below 0x40
    EXPECT_FALSE(IsValidGbk("\xB2\x7F"));  // 0x7F is no trail byte
    EXPECT_FALSE(IsValidGbk("\xFF"));
    EXPECT_FALSE(IsValidGbk(kTrailSemicolon));

    EXPECT_EQ(CutAtCharBoundary(kZhang, 3), "\xD5\xC5");
    EXPECT_EQ(CutAtCharBoundary(kZhang, 4), kZhang);
    EXPECT_EQ(CutAtCharBoundary("a" + kZhang, 2), "a");
    EXPECT_EQ(CutAtCharBoundary("abc", 0), "");
    EXPECT_EQ(CharLength("\x81", 0), 1u);
    EXPECT_EQ(CharLength(kZhang, 0), 2u);
}

}  // namespace
}  // namespace vantrel::text
