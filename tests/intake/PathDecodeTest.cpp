// The decoded path of a target, absolute targets and the Host they give.

#include <gtest/gtest.h>

#include <string>

#include "HttpTestSupport.h"
#include "HttpText.h"

namespace vantrel::intake {
namespace {

using testing::Parse;

std::string PathOf(const std::string& target) {
    auto p = Parse("GET " + target + " HTTP/1.1\r\n\r\n");
    EXPECT_EQ(p.status, ParseStatus::Ok) << target;
    return p.request.path;
}

TEST(PathDecoding, Examples) {
    EXPECT_EQ(PathOf("/post"), "/post");
    EXPECT_EQ(PathOf("/"), "/");
    EXPECT_EQ(PathOf("http://192.168.1.10:8899/post"), "/post");
    EXPECT_EQ(PathOf("/%70ost"), "/post");
    EXPECT_EQ(PathOf("\\post"), "/post");
    EXPECT_EQ(PathOf("/POST"), "/POST");
    EXPECT_EQ(PathOf("*"), "*");
    EXPECT_EQ(PathOf("/post?x=%70"), "/post");
    EXPECT_EQ(PathOf("/a?b?c"), "/a");
}

TEST(PathDecoding, PartFromTheFirstEqualsSignStaysEncoded) {
    EXPECT_EQ(DecodePath("/a%20b=c%20d=e").path, "/a b=c%20d=e");
    EXPECT_EQ(DecodePath("/a+b").path, "/a b");
}

TEST(PathDecoding, TrailBytesOfDoubleByteCharactersAreLeftAlone) {
    // 0x95 0x5C is one character whose trail byte is a backslash.
    EXPECT_EQ(DecodePath("/\x95\x5C\\a").path, "/\x95\x5C/a");
    EXPECT_EQ(DecodePath("/\xD5\xC5%41").path,
              "/\xD5\xC5"
              "A");
}

TEST(PathDecoding, AbsoluteTargets) {
    auto full = DecodePath("http://user:pw@pc1:8899/dir/file#frag");
    EXPECT_EQ(full.path, "/dir/file");
    EXPECT_EQ(full.host, "pc1");
    EXPECT_EQ(DecodePath("http://host").path, "/");
    EXPECT_EQ(DecodePath("http://host/").path, "/");
    // Only the last segment loses its fragment.
    EXPECT_EQ(DecodePath("http://h/a#b/c#d").path, "/a#b/c");
    EXPECT_EQ(DecodePath("http:\\\\h\\x").path, "/x");
    EXPECT_EQ(DecodePath("/relative#kept").path, "/relative#kept");
}

TEST(PathDecoding, HostHeaderWinsOverTheTargetsHost) {
    auto fromTarget = Parse("GET http://pc1:8899/post HTTP/1.1\r\n\r\n");
    EXPECT_EQ(fromTarget.request.host, "pc1");
    EXPECT_EQ(fromTarget.request.path, "/post");
    auto fromHeader = Parse("GET http://pc1:8899/post HTTP/1.1\r\nHost: other\r\n\r\n");
    EXPECT_EQ(fromHeader.request.host, "other");
}

}  // namespace
}  // namespace vantrel::intake
