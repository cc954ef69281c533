// Header lines: storage, lookup, folding, the fields filled from them, the
// Authorization check and the cap on all header lines together.

#include <gtest/gtest.h>

#include <string>

#include "HttpTestSupport.h"
#include "HttpText.h"
#include "IntakeLimits.h"

namespace vantrel::intake {
namespace {

using testing::Parse;

TEST(Headers, StoredAsReceivedInOrderWithLeadingDoubleDotHalved) {
    auto p = Parse("GET / HTTP/1.1\r\nB: 2\r\na:1\r\n..X: y\r\n.Y: z\r\nno colon\r\n\r\n");
    ASSERT_EQ(p.status, ParseStatus::Ok);
    EXPECT_EQ(p.request.headers.ToVector(),
              (std::vector<std::string>{"B: 2", "a:1", ".X: y", ".Y: z", "no colon"}));
}

TEST(Headers, LookupIgnoresCaseAndTakesTheFirst) {
    HeaderLines headers{"content-TYPE: text/plain", "Content-Type: text/html", "no colon here",
                        "Empty:"};
    EXPECT_EQ(HeaderValue(headers, "Content-Type"), "text/plain");
    EXPECT_EQ(HeaderValue(headers, "Empty"), "");
    EXPECT_EQ(HeaderValue(headers, "no colon here"), std::nullopt);
    EXPECT_EQ(HeaderValue(headers, "Missing"), std::nullopt);
}

TEST(Headers, FoldedLinesJoinWithOneBlankAndEndsAreTrimmed) {
    HeaderLines headers{"X-A:  one  ", " two", "\t three\t", "X-B: \x01next\x7f", "X-C: \xD5\xC5 "};
    EXPECT_EQ(HeaderValue(headers, "x-a"), "one   two three");
    // Only bytes up to 0x20 are trimmed; 0x7F and code page 936 bytes stay.
    EXPECT_EQ(HeaderValue(headers, "X-B"), "next\x7f");
    EXPECT_EQ(HeaderValue(headers, "X-C"), "\xD5\xC5");
    // A continuation line is not a header of its own.
    EXPECT_EQ(HeaderValue(headers, " two"), std::nullopt);
}

TEST(Headers, FillContentTypeLengthAndHost) {
    auto p = Parse(
        "GET / HTTP/1.1\r\nHost:  pc1:8899 \r\nContent-Type: text/plain\r\n"
        "Content-Length:  0 \r\n\r\n");
    ASSERT_EQ(p.status, ParseStatus::Ok);
    EXPECT_EQ(p.request.host, "pc1:8899");
    EXPECT_EQ(p.request.contentType, "text/plain");
    EXPECT_EQ(p.request.contentLength, 0);
    EXPECT_TRUE(p.request.hasContentLength);

    auto none = Parse("GET / HTTP/1.1\r\n\r\n");
    EXPECT_EQ(none.request.contentType, "");
    EXPECT_EQ(none.request.contentLength, -1);
    EXPECT_FALSE(none.request.hasContentLength);
}

TEST(Headers, ContentLengthThatIsNoNumberCountsAsMissing) {
    for (const char* value : {"abc", "12abc", "", "0x10", "1 2"}) {
        auto p = Parse(std::string("GET / HTTP/1.1\r\nContent-Length: ") + value + "\r\n\r\n");
        ASSERT_EQ(p.status, ParseStatus::Ok) << value;
        EXPECT_EQ(p.request.contentLength, -1) << value;
        EXPECT_FALSE(p.request.hasContentLength) << value;
        EXPECT_TRUE(p.request.body.empty()) << value;
    }
    auto negative = Parse("GET / HTTP/1.1\r\nContent-Length: -5\r\n\r\n");
    EXPECT_FALSE(negative.request.hasContentLength);
}

TEST(Authorization, BasicIsAcceptedAnyOtherSchemeIsRefused) {
    auto basic = Parse("GET / HTTP/1.1\r\nAuthorization: bAsIc dXNlcjpwdw==\r\n\r\n");
    EXPECT_EQ(basic.status, ParseStatus::Ok);
    EXPECT_EQ(Parse("GET / HTTP/1.1\r\nAuthorization: Basic\r\n\r\n").status, ParseStatus::Ok);
    for (const char* value : {"Bearer abc", "Digest x=1", "Basicx abc", ""}) {
        auto p = Parse(std::string("GET / HTTP/1.1\r\nAuthorization: ") + value + "\r\n\r\n");
        EXPECT_EQ(p.status, ParseStatus::UnsupportedAuthorization) << value;
    }
}

TEST(HeaderLimit, AllHeaderLinesTogetherAreBounded) {
    const std::string line = "X: " + std::string(1000, 'v') + "\r\n";
    const std::size_t fits = kMaxHeaderBytes / (line.size() + kStoredLineCost);
    std::string under = "GET / HTTP/1.1\r\n";
    for (std::size_t i = 0; i < fits; ++i)
        under += line;
    auto ok = Parse(under + "\r\n", 32768);
    EXPECT_EQ(ok.status, ParseStatus::Ok);
    EXPECT_EQ(ok.request.headers.size(), fits);
    // Kept in one buffer, they hold little more memory than their bytes.
    EXPECT_LT(ok.request.headers.HeldBytes(), under.size() * 11 / 10);
    EXPECT_EQ(Parse(under + line + "\r\n", 32768).status, ParseStatus::HeaderTooLarge);

    // Many tiny lines are bounded as well, by what storing them costs: far
    // fewer than fit in 1 MiB of bytes.
    std::string tiny = "GET / HTTP/1.1\r\n";
    for (std::size_t i = 0; i < kMaxHeaderBytes / (3 + kStoredLineCost) + 1; ++i)
        tiny += "a\r\n";
    EXPECT_LT(tiny.size(), kMaxHeaderBytes / 8);
    EXPECT_EQ(Parse(tiny, 32768).status, ParseStatus::HeaderTooLarge);
}

}  // namespace
}  // namespace vantrel::intake
