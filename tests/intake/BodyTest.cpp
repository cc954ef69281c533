// When a body is read and how much, and the body cap.

#include <gtest/gtest.h>

#include <string>

#include "HttpTestSupport.h"
#include "IntakeLimits.h"

namespace vantrel::intake {
namespace {

using testing::Parse;

TEST(Body, ContentLengthReadsExactlyThatManyBytesWhateverTheMethod) {
    for (const char* method : {"POST", "GET", "HEAD"}) {
        auto p = Parse(std::string(method) + " / HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello world");
        ASSERT_EQ(p.status, ParseStatus::Ok) << method;
        EXPECT_EQ(p.request.body, "hello") << method;
    }
}

TEST(Body, PostWithoutLengthReadsUntilThePeerStopsSending) {
    auto p = Parse("POST / HTTP/1.1\r\n\r\nline1\r\nline2\r\n", 3);
    ASSERT_EQ(p.status, ParseStatus::Ok);
    EXPECT_EQ(p.request.body, "line1\r\nline2\r\n");
}

TEST(Body, NoBodyOtherwise) {
    EXPECT_EQ(Parse("POST / HTTP/1.1\r\nContent-Length: 0\r\n\r\nextra").request.body, "");
    EXPECT_EQ(Parse("GET / HTTP/1.1\r\n\r\nextra").request.body, "");
    EXPECT_EQ(Parse("HEAD / HTTP/1.1\r\n\r\nextra").request.body, "");
    // A length that is no number leaves a POST reading to the end.
    EXPECT_EQ(Parse("POST / HTTP/1.1\r\nContent-Length: x\r\n\r\nall").request.body, "all");
}

TEST(Body, StreamEndingBeforeAKnownLengthIsClosed) {
    EXPECT_EQ(Parse("POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nshort").status,
              ParseStatus::Closed);
}

TEST(BodyLimit, LengthAboveTheCapIsRefusedBeforeReading) {
    const std::string body(kMaxBodyBytes, 'b');
    auto atCap = Parse("POST / HTTP/1.1\r\nContent-Length: " + std::to_string(kMaxBodyBytes) +
                       "\r\n\r\n" + body);
    ASSERT_EQ(atCap.status, ParseStatus::Ok);
    EXPECT_EQ(atCap.request.body.size(), kMaxBodyBytes);
    // No bytes follow: the refusal comes from the header alone.
    for (const std::string& length : {std::to_string(kMaxBodyBytes + 1), std::string("4294967296"),
                                      std::string("99999999999999999999999999")}) {
        EXPECT_EQ(Parse("GET / HTTP/1.1\r\nContent-Length: " + length + "\r\n\r\n").status,
                  ParseStatus::BodyTooLarge)
            << length;
    }
}

TEST(BodyLimit, BodyWithoutLengthMayNotGrowPastTheCap) {
    const std::string body(kMaxBodyBytes, 'b');
    auto atCap = Parse("POST / HTTP/1.1\r\n\r\n" + body, 32768);
    ASSERT_EQ(atCap.status, ParseStatus::Ok);
    EXPECT_EQ(atCap.request.body.size(), kMaxBodyBytes);
    EXPECT_EQ(Parse("POST / HTTP/1.1\r\n\r\n" + body + "b", 32768).status,
              ParseStatus::BodyTooLarge);
}

TEST(BodyLimit, FormBodyMayNotMakeMoreParameterEntriesThanTheCap) {
    const std::string form =
        "POST / HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n";
    // kMaxParamEntries entries are kept; one more "&" ends the connection.
    std::string fits(kMaxParamEntries - 1, '&');
    auto ok = Parse(form + "Content-Length: " + std::to_string(fits.size()) + "\r\n\r\n" + fits);
    ASSERT_EQ(ok.status, ParseStatus::Ok);
    EXPECT_EQ(ok.request.params.size(), kMaxParamEntries);
    const std::string flood(kMaxBodyBytes, '&');
    EXPECT_EQ(
        Parse(form + "Content-Length: " + std::to_string(flood.size()) + "\r\n\r\n" + flood).status,
        ParseStatus::TooManyParams);
    // The same body without the form type is not parsed, so it is served.
    EXPECT_EQ(Parse("POST / HTTP/1.1\r\nContent-Length: " + std::to_string(flood.size()) +
                    "\r\n\r\n" + flood)
                  .status,
              ParseStatus::Ok);
}

}  // namespace
}  // namespace vantrel::intake
