// GBK to UTF-8 and UTF-16: valid text converts exactly, and a byte that
// starts no GBK character becomes one U+FFFD without losing what follows.
// Back to GBK: the lossy UTF-8 form marks what it cannot convert with '?',
// the strict UTF-16 form names where it stopped.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "GbkConvert.h"

namespace vantrel::text {
namespace {

TEST(GbkConvert, ConvertsChineseAndAscii) {
    EXPECT_EQ(GbkToUtf8("PC\xd6\xf7\xbb\xfa\xc3\xfb 1"),
              "PC\xe4\xb8\xbb\xe6\x9c\xba\xe5\x90\x8d 1");
    EXPECT_EQ(GbkToUtf8("\x95\x5c\x99\x7b"), "\xe6\x98\x9e\xe6\xaa\xa3");  // trails \ and {
    EXPECT_EQ(GbkToUtf8(""), "");
    EXPECT_EQ(GbkToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
    // Long text crosses the converter's buffer.
    std::string gbk;
    for (int i = 0; i < 1500; ++i) {
        gbk += "\xb2\xbf";
    }
    std::string utf8;
    for (int i = 0; i < 1500; ++i) {
        utf8 += "\xe9\x83\xa8";
    }
    EXPECT_EQ(GbkToUtf8(gbk), utf8);
}

TEST(GbkConvert, InvalidBytesBecomeReplacementMarks) {
    const std::string mark = "\xef\xbf\xbd";
    EXPECT_EQ(GbkToUtf8("a\xff"
                        "b"),
              "a" + mark + "b");
    EXPECT_EQ(GbkToUtf8("\xb2\xbf\xb2"), "\xe9\x83\xa8" + mark);  // cut-off last character
    EXPECT_EQ(GbkToUtf8("\x81\x20x"), mark + " x");               // invalid trail byte
}

TEST(GbkConvert, ThreadsConvertAtTheSameTimeWithoutMixingTheirText) {
    // Each thread converts its own long text, with invalid bytes that reset
    // the converter, over and over: a converter shared without care mixes
    // or cuts the results.
    constexpr int kThreads = 4;
    constexpr int kRounds = 200;
    std::vector<int> wrong(kThreads, 0);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([t, &wrong] {
            std::string gbk;
            std::string utf8;
            std::string back;  // '?' where the GBK was invalid
            for (int i = 0; i < 300 + 50 * t; ++i) {
                const int kind = (i + t) % 3;
                gbk += kind == 0 ? "\xb2\xbf" : kind == 1 ? "\xff" : "a";
                utf8 += kind == 0 ? "\xe9\x83\xa8" : kind == 1 ? "\xef\xbf\xbd" : "a";
                back += kind == 0 ? "\xb2\xbf" : kind == 1 ? "?" : "a";
            }
            for (int round = 0; round < kRounds; ++round) {
                std::size_t replaced = 0;
                if (GbkToUtf8(gbk) != utf8 || Utf8ToGbk(utf8, &replaced) != back) {
                    ++wrong[static_cast<std::size_t>(t)];
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(wrong, std::vector<int>(kThreads, 0));
}

TEST(GbkConvert, Utf16MarksLikeUtf8AndValidTextRoundTrips) {
    const struct {
        std::string gbk;
        std::u16string utf16;
    } cases[] = {
        {"PC\xd6\xf7\xbb\xfa\xc3\xfb 1", u"PC\u4e3b\u673a\u540d 1"},
        {"\x95\x5c\x99\x7b", u"\u661e\u6aa3"},  // trails \ and {
        {"a\xff"
         "b\xd6",
         u"a\uFFFDb\uFFFD"},
        {"\x81\x20x", u"\uFFFD x"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GbkToUtf16(c.gbk), c.utf16) << c.gbk;
        if (c.utf16.find(u'\uFFFD') == std::u16string::npos) {
            std::string back;
            EXPECT_EQ(Utf16ToGbkStrict(c.utf16, back), std::u16string::npos) << c.gbk;
            EXPECT_EQ(back, c.gbk);
            EXPECT_EQ(Utf8ToGbk(GbkToUtf8(c.gbk)), c.gbk);
        }
    }
}

TEST(GbkConvert, Utf8ToGbkMarksWhatItCannotConvert) {
    const struct {
        std::string utf8;
        std::string gbk;
        std::size_t replaced;
    } cases[] = {
        {"PC\xe4\xb8\xbb 1", "PC\xd6\xf7 1", 0},
        {"\xc3\xa9", "\xa8\xa6", 0},                   // é is in GBK
        {"ok \xf0\x9f\x98\x80!", "ok ?!", 1},          // an emoji: one mark for 4 bytes
        {"\xe0\xa4\x95\xe4\xb8\xbb", "?\xd6\xf7", 1},  // Devanagari, then Chinese
        {"a\xff"
         "b",
         "a?b", 1},                  // never valid UTF-8
        {"\x80x", "?x", 1},          // a stray trail byte
        {"\xc0\xaf", "??", 2},       // overlong '/'
        {"\xed\xa0\x80", "???", 3},  // an encoded surrogate
        {"\xe4\xb8", "??", 2},       // cut short at the end
        {"\xe4\xb8z", "??z", 2},     // cut short before ASCII
        {std::string("a\0b", 3), std::string("a\0b", 3), 0},
        {"", "", 0},
    };
    for (const auto& c : cases) {
        std::size_t replaced = 99;
        EXPECT_EQ(Utf8ToGbk(c.utf8, &replaced), c.gbk) << c.utf8;
        EXPECT_EQ(replaced, c.replaced) << c.utf8;
    }
    EXPECT_EQ(Utf8ToGbk("\xf0\x9f\x98\x80"), "?");  // the count is optional
    // Long text crosses the converter's buffer, marks included.
    std::string utf8;
    std::string gbk;
    for (int i = 0; i < 1500; ++i) {
        utf8 += "\xe9\x83\xa8\xf0\x9f\x98\x80";
        gbk += "\xb2\xbf?";
    }
    std::size_t replaced = 0;
    EXPECT_EQ(Utf8ToGbk(utf8, &replaced), gbk);
    EXPECT_EQ(replaced, 1500u);
}

TEST(GbkConvert, StrictUtf16StopsAtTheFirstCharacterGbkLacks) {
    const struct {
        std::u16string utf16;
        std::size_t failedAt;
        std::string gbk;  // what came before
    } cases[] = {
        {u"PC\u4e3b", std::u16string::npos, "PC\xd6\xf7"},
        {u"ok \U0001F600 \u4e3b", 3, "ok "},
        {u"\u00e9t\u00e9 \u0915", 4, "\xa8\xa6t\xa8\xa6 "},
        {std::u16string(u"a") + char16_t(0xD800), 1, "a"},         // a lone surrogate at the end
        {std::u16string(u"a") + char16_t(0xDC00) + u"b", 1, "a"},  // a stray low surrogate
        {u"", std::u16string::npos, ""},
    };
    for (const auto& c : cases) {
        std::string gbk = "left over";
        EXPECT_EQ(Utf16ToGbkStrict(c.utf16, gbk), c.failedAt);
        EXPECT_EQ(gbk, c.gbk);
    }
}

// The table behind the UTF-16LE form must give, unit by unit, what iconv
// gives through UTF-8, or an Access conversion would store other bytes.
TEST(GbkConvert, Utf16LeAgreesWithUtf8ForEveryCharacterAndMarksTheRest) {
    std::string everyUtf8;
    std::string everyLe;
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        if (c < 0x80) {
            everyUtf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            everyUtf8 += static_cast<char>(0xC0 | c >> 6);
            everyUtf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            everyUtf8 += static_cast<char>(0xE0 | c >> 12);
            everyUtf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            everyUtf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
        everyLe += static_cast<char>(c & 0xFF);
        everyLe += static_cast<char>(c >> 8);
    }
    std::size_t viaUtf8 = 0;
    std::size_t viaTable = 0;
    EXPECT_TRUE(Utf8ToGbk(everyUtf8, &viaUtf8) == Utf16LeToGbk(everyLe, &viaTable));
    EXPECT_EQ(viaTable, viaUtf8);
    EXPECT_GT(viaTable, 30000u);  // most of the BMP is beyond GBK

    // 新 U+1F4BB as a pair, a lone low half, a lone high half, an odd byte.
    const std::string le(
        "\xB0\x65\x3D\xD8\xBB\xDC"
        "a\0"
        "\x00\xDC"
        "\x3D\xD8"
        "b\0"
        "c",
        15);
    std::size_t marks = 0;
    EXPECT_EQ(Utf16LeToGbk(le, &marks), "\xD0\xC2?a??b?");
    EXPECT_EQ(marks, 4u);
    EXPECT_EQ(Utf16LeToGbk(""), "");
}

}  // namespace
}  // namespace vantrel::text
