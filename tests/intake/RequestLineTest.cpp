// Request-line and method handling, line reading and the line limit.

#include <gtest/gtest.h>

#include <string>

#include "HttpTestSupport.h"
#include "IntakeLimits.h"

namespace vantrel::intake {
namespace {

using testing::Parse;

TEST(RequestLine, SplitsMethodTargetAndVersion) {
    auto p = Parse("GET /post?a=1 HTTP/1.1\r\nHost: x\r\n\r\n");
    ASSERT_EQ(p.status, ParseStatus::Ok);
    EXPECT_EQ(p.request.requestLine, "GET /post?a=1 HTTP/1.1");
    EXPECT_EQ(p.request.method, "GET");
    EXPECT_EQ(p.request.target, "/post?a=1");
    EXPECT_EQ(p.request.version, "HTTP/1.1");
}

TEST(RequestLine, TargetRunsFromFirstToLastBlankUnchanged) {
    auto p = Parse("POST /a b  c HTTP/1.0\n\n");
    ASSERT_EQ(p.status, ParseStatus::Ok);
    EXPECT_EQ(p.request.method, "POST");
    EXPECT_EQ(p.request.target, "/a b  c");
    EXPECT_EQ(p.request.version, "HTTP/1.0");

    auto noTarget = Parse("GET HTTP/1.0\r\n\r\n");
    ASSERT_EQ(noTarget.status, ParseStatus::Ok);
    EXPECT_EQ(noTarget.request.method, "GET");
    EXPECT_EQ(noTarget.request.target, "");
    EXPECT_EQ(noTarget.request.path, "");
}

TEST(RequestLine, MethodIsUpperCasedAndVersionNotValidated) {
    auto p = Parse("get / whatever\r\n\r\n");
    ASSERT_EQ(p.status, ParseStatus::Ok);
    EXPECT_EQ(p.request.method, "GET");
    EXPECT_EQ(p.request.version, "whatever");
    EXPECT_EQ(Parse("hEaD / HTTP/1.1\r\n\r\n").request.method, "HEAD");
}

TEST(RequestLine, OnlyGetPostAndHeadAreServedAndNothingAfterIsRead) {
    for (const char* method : {"PUT", "DELETE", "OPTIONS", "TRACE", "CONNECT", "GETX", "POS"}) {
        auto p = Parse(std::string(method) + " / HTTP/1.1\r\nHost: x\r\n\r\n");
        EXPECT_EQ(p.status, ParseStatus::MethodRejected) << method;
        EXPECT_TRUE(p.request.headers.empty()) << method;
    }
    EXPECT_EQ(Parse(" GET / HTTP/1.1\r\n\r\n").status, ParseStatus::MethodRejected);
}

TEST(RequestLine, LineWithoutBlankIsRefused) {
    EXPECT_EQ(Parse("GET\r\n\r\n").status, ParseStatus::BadRequestLine);
    // An empty line before the request line is taken as the request line.
    EXPECT_EQ(Parse("\r\nGET / HTTP/1.1\r\n\r\n").status, ParseStatus::BadRequestLine);
}

TEST(RequestLine, OneCarriageReturnBeforeTheLineFeedIsRemoved) {
    auto p = Parse("GET / HTTP/1.1\r\r\nA: 1\n\r\n");
    ASSERT_EQ(p.status, ParseStatus::Ok);
    EXPECT_EQ(p.request.version, "HTTP/1.1\r");
    ASSERT_EQ(p.request.headers.size(), 1u);
    EXPECT_EQ(p.request.headers[0], "A: 1");
}

TEST(RequestLine, StreamEndingEarlyIsClosed) {
    EXPECT_EQ(Parse("").status, ParseStatus::Closed);
    EXPECT_EQ(Parse("GET / HTTP/1.1").status, ParseStatus::Closed);
    EXPECT_EQ(Parse("GET / HTTP/1.1\r\nHost: x\r\n").status, ParseStatus::Closed);
    EXPECT_EQ(Parse("PUT / HTTP/1.1").status, ParseStatus::Closed);
}

TEST(LineLimit, LongestLinesAreRead) {
    const std::string target = "/" + std::string(kMaxLineLength - 20, 'a');
    for (const char* end : {"\r\n", "\n"}) {
        std::string line = "GET " + target + " HTTP/1.1";
        // Pad so that the bytes before the line feed are exactly the limit.
        std::size_t wanted = kMaxLineLength - (std::string(end) == "\r\n" ? 1 : 0);
        line.insert(4, wanted - line.size(), 'b');
        ASSERT_EQ(line.size(), wanted);
        auto p = Parse(line + end + "\r\n", 1000);
        EXPECT_EQ(p.status, ParseStatus::Ok)
            << "line ended by " << (end[0] == '\r' ? "CR LF" : "LF");
        EXPECT_EQ(p.request.requestLine, line);
    }
}

TEST(LineLimit, OneByteMoreEndsTheConnection) {
    std::string atLimit(kMaxLineLength, 'x');
    EXPECT_EQ(Parse("GET /" + atLimit.substr(5) + "\r\n\r\n").status, ParseStatus::LineTooLong);
    EXPECT_EQ(Parse("GET /" + atLimit.substr(4) + "\n\r\n").status, ParseStatus::LineTooLong);
    // The same for a header line.
    std::string header = "X: " + std::string(kMaxLineLength - 3, 'h');
    EXPECT_EQ(Parse("GET / HTTP/1.1\r\n" + header + "\n\r\n").status, ParseStatus::Ok);
    EXPECT_EQ(Parse("GET / HTTP/1.1\r\n" + header + "\r\n\r\n").status, ParseStatus::LineTooLong);
}

TEST(LineLimit, EndlessLineIsCutOffWithoutWaitingForItsEnd) {
    // No line feed and no end of stream: the refusal must come from the
    // count alone. More bytes follow than the limit, then the stream ends.
    std::string flood(3 * kMaxLineLength, 'z');
    EXPECT_EQ(Parse(flood, 4096).status, ParseStatus::LineTooLong);
}

TEST(LineReading, ResultDoesNotDependOnHowBytesArrive) {
    const std::string request =
        "POST /p%61th?q=1 HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
        "Content-Length: 7\r\nX-Fold: a\r\n\tb\r\n\r\nb=2&c=3";
    auto whole = Parse(request);
    ASSERT_EQ(whole.status, ParseStatus::Ok);
    for (std::size_t chunk : {1, 2, 3, 5, 17}) {
        auto p = Parse(request, chunk);
        ASSERT_EQ(p.status, ParseStatus::Ok) << chunk;
        EXPECT_EQ(p.request.headers.ToVector(), whole.request.headers.ToVector()) << chunk;
        EXPECT_EQ(p.request.body, "b=2&c=3") << chunk;
        EXPECT_EQ(p.request.path, "/path") << chunk;
        EXPECT_EQ(p.request.params, whole.request.params) << chunk;
    }
}

}  // namespace
}  // namespace vantrel::intake
