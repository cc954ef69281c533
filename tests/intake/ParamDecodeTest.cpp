// Query and form parameters: splitting, decoding, which text counts, and
// ParamValue.

#include <gtest/gtest.h>

#include <string>

#include "HttpTestSupport.h"
#include "HttpText.h"

namespace vantrel::intake {
namespace {

using testing::Parse;
using Entries = std::vector<std::string>;

TEST(ParamDecoding, QueryOfAReport) {
    auto p = Parse("GET /post?xipMac=A&xipName=%D5%C5 HTTP/1.1\r\n\r\n");
    ASSERT_EQ(p.status, ParseStatus::Ok);
    EXPECT_EQ(p.request.path, "/post");
    EXPECT_EQ(p.request.queryText, "xipMac=A&xipName=%D5%C5");
    EXPECT_EQ(p.request.params, (Entries{"xipMac=A", "xipName=\xD5\xC5"}));
    EXPECT_EQ(ParamValue(p.request, "xipname"), "\xD5\xC5");
}

TEST(ParamDecoding, SplittingKeepsEmptyPiecesAndStopsAtNul) {
    EXPECT_EQ(DecodeParams("a=1&&b=2"), (Entries{"a=1", "", "b=2"}));
    EXPECT_EQ(DecodeParams("a=1&"), (Entries{"a=1", ""}));
    EXPECT_EQ(DecodeParams("&"), (Entries{"", ""}));
    EXPECT_EQ(DecodeParams(""), Entries{});
    EXPECT_EQ(DecodeParams(std::string("a=1&b\0=2&c=3", 12)), (Entries{"a=1", "b"}));
    // Split before decoding: an encoded "&" stays inside its value.
    EXPECT_EQ(DecodeParams("a=x%26y&b=2"), (Entries{"a=x&y", "b=2"}));
}

TEST(ParamDecoding, PlusPercentAndBadEscapes) {
    EXPECT_EQ(DecodePiece("a+b"), "a b");
    EXPECT_EQ(DecodePiece("%2B"), "+");
    EXPECT_EQ(DecodePiece("x%zzy%00z"), "xyz");
    EXPECT_EQ(DecodePiece("%4g1"), "1");  // three characters consumed even when not hex
    EXPECT_EQ(DecodePiece("%ff%FF"), "\xff\xff");
    // At the end fewer than two characters may follow the "%".
    EXPECT_EQ(DecodePiece("a%4"), std::string("a\x04"));
    EXPECT_EQ(DecodePiece("a%A"), "a\n");
    EXPECT_EQ(DecodePiece("a%"), "a");
    EXPECT_EQ(DecodePiece("%+1"), "");
}

TEST(ParamDecoding, OnlyTheExactFormTypeCountsTheBody) {
    const std::string form = "Content-Type: application/x-www-form-urlencoded\r\n";
    auto p = Parse("POST /post HTTP/1.1\r\n" + form + "Content-Length: 8\r\n\r\nxipMac=A");
    EXPECT_EQ(p.request.params, (Entries{"xipMac=A"}));
    auto upper = Parse(
        "POST /post HTTP/1.1\r\nContent-Type: Application/X-WWW-Form-URLEncoded\r\n"
        "Content-Length: 8\r\n\r\nxipMac=A");
    EXPECT_EQ(upper.request.params, (Entries{"xipMac=A"}));
    for (const char* type : {"application/x-www-form-urlencoded; charset=GBK", "text/plain"}) {
        auto other = Parse(std::string("POST /post?q=1 HTTP/1.1\r\nContent-Type: ") + type +
                           "\r\nContent-Length: 8\r\n\r\nxipMac=A");
        EXPECT_EQ(other.request.body, "xipMac=A") << type;
        EXPECT_EQ(other.request.paramText, "xipMac=A\r\nq=1") << type;
        EXPECT_EQ(other.request.params, (Entries{"q=1"})) << type;
    }
    // A GET's body counts under the same rule.
    auto get = Parse("GET / HTTP/1.1\r\n" + form + "Content-Length: 3\r\n\r\nb=2");
    EXPECT_EQ(get.request.params, (Entries{"b=2"}));
    EXPECT_EQ(Parse("GET / HTTP/1.1\r\nContent-Length: 3\r\n\r\nb=2").request.params, Entries{});
}

TEST(ParamDecoding, BodyAndQueryJoinWithCrLf) {
    auto p = Parse(
        "POST /post?c=3 HTTP/1.1\r\n"
        "Content-Type: application/x-www-form-urlencoded\r\n"
        "Content-Length: 7\r\n\r\na=1&b=2");
    ASSERT_EQ(p.status, ParseStatus::Ok);
    EXPECT_EQ(p.request.paramText, "a=1&b=2\r\nc=3");
    EXPECT_EQ(p.request.params, (Entries{"a=1", "b=2\r\nc=3"}));
    EXPECT_EQ(ParamValue(p.request, "b"), "2\r\nc=3");
    EXPECT_EQ(ParamValue(p.request, "c"), "");

    auto queryOnly = Parse("GET /?q=1 HTTP/1.1\r\n\r\n");
    EXPECT_EQ(queryOnly.request.paramText, "q=1");
    auto bodyOnly = Parse("POST / HTTP/1.1\r\nContent-Length: 3\r\n\r\nb=2");
    EXPECT_EQ(bodyOnly.request.paramText, "b=2");
    EXPECT_EQ(bodyOnly.request.queryText, "");
}

TEST(ParamValue, FirstMatchIgnoringAsciiCase) {
    HttpRequest r;
    r.params = {"noequals", "XIPMAC=1", "xipmac=2", "a=b=c", "empty=", "x%3Dy"};
    EXPECT_EQ(ParamValue(r, "xipMac"), "1");
    EXPECT_EQ(ParamValue(r, "a"), "b=c");
    EXPECT_EQ(ParamValue(r, "empty"), "");
    EXPECT_EQ(ParamValue(r, "missing"), "");
    EXPECT_EQ(ParamValue(r, "noequals"), "");
    EXPECT_EQ(ParamValue(r, ""), "");
    // A decoded "%3D" in a name ends the name there.
    auto p = Parse("GET /?na%3Dme=v HTTP/1.1\r\n\r\n");
    EXPECT_EQ(ParamValue(p.request, "na"), "me=v");
}

TEST(ParamValue, DoubleByteCharactersAreComparedWhole) {
    HttpRequest r;
    // 0x81 0x41 and 0x81 0x61 are two different characters whose trail
    // bytes look like "A" and "a".
    r.params = {"\x81\x41=upper", "\x81\x61=lower", "\xD5\xC5x=zhang"};
    EXPECT_EQ(ParamValue(r, "\x81\x61"), "lower");
    EXPECT_EQ(ParamValue(r, "\x81\x41"), "upper");
    EXPECT_EQ(ParamValue(r, "\xD5\xC5X"), "zhang");
    // The byte after a lead byte is never an "=" that ends the name.
    r.params = {"\x81=x=1"};
    EXPECT_EQ(ParamValue(r, "\x81=x"), "1");
}

}  // namespace
}  // namespace vantrel::intake
