// GBK to UTF-8: valid text converts exactly, and a byte that starts no GBK
// character becomes one U+FFFD without losing what follows.
#include <gtest/gtest.h>

#include <string>
#include <thread>

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
    // Each thread has its own converter.
    std::string other;
    std::thread worker([&other] { other = GbkToUtf8("\xb2\xbf\xff"); });
    worker.join();
    EXPECT_EQ(other, "\xe9\x83\xa8" + mark);
}

}  // namespace
}  // namespace vantrel::text
