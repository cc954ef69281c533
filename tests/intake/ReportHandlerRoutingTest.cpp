// Routing by path and serving the page file.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "ReportHandlerTestSupport.h"

namespace vantrel::intake::test {
namespace {

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary);
    out << bytes;
}

class ReportHandlerRoutingTest : public ::testing::Test {
  protected:
    ReportHandlerRoutingTest() {
        connection.Open(db.File());
        db.Exec("insert into ip (mac) values ('')");
    }

    FakeConnection Serve(ReportHandler& handler, const std::string& method,
                         const std::string& path) {
        FakeConnection peer;
        HttpRequest request = MakeRequest(method, path, {"xipMac=", "xipUserName=x"});
        handler.RouteRequest(peer, request);
        return peer;
    }

    ScratchDatabase db;
    store::InventoryDatabase connection;
    FakeSink sink;
    TempDir pages;
};

// Bytes a text editor might mangle: GBK text, a NUL, CR LF and no final
// line end.
const std::string kPage = std::string("<p>\xC4\xE3\xBA\xC3</p>\r\n\0end", 17);

TEST_F(ReportHandlerRoutingTest, RootServesThePageBytesAfterAStatusLineForEveryMethod) {
    WriteBytes(pages.Path() / "ip.html", kPage);
    ReportHandler handler(connection, sink, FixedTime, "", (pages.Path() / "ip.html").string());
    const std::string head =
        "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/html\r\n"
        "Content-Length: 17\r\n\r\n";

    for (const char* method : {"GET", "POST"}) {
        FakeConnection peer = Serve(handler, method, "/");
        EXPECT_EQ(peer.written, head + kPage) << method;
        EXPECT_TRUE(peer.closed && peer.stopped);
    }
    FakeConnection headPeer = Serve(handler, "HEAD", "/");
    EXPECT_EQ(headPeer.written, head);
    EXPECT_TRUE(headPeer.closed && headPeer.stopped);

    // The page is not a report.
    EXPECT_EQ(db.Count("username is null"), 1);
    EXPECT_TRUE(sink.Events().empty());
}

TEST_F(ReportHandlerRoutingTest, OtherPathsGetNothingAndTouchNothing) {
    WriteBytes(pages.Path() / "ip.html", kPage);
    ReportHandler handler(connection, sink, FixedTime, "", (pages.Path() / "ip.html").string());
    for (const char* path :
         {"/POST", "/post/", "", "/ip.html", "/index.html", "//", "/post?", "*"}) {
        FakeConnection peer = Serve(handler, "GET", path);
        EXPECT_EQ(peer.written, "") << path;
        EXPECT_TRUE(peer.closed && peer.stopped) << path;
    }
    EXPECT_EQ(db.Count(), 1);
    EXPECT_EQ(db.Count("username is null"), 1);
    EXPECT_TRUE(sink.Events().empty());
}

TEST_F(ReportHandlerRoutingTest, PageIsLookedUpInTheWorkingDirectoryOfEachRequest) {
    TempDir other;
    WriteBytes(pages.Path() / "ip.html", "first");
    WriteBytes(other.Path() / "ip.html", "second");
    ReportHandler handler(connection, sink, FixedTime);

    {
        WorkingDirectory cwd(pages.Path());
        EXPECT_EQ(
            Serve(handler, "GET", "/").written.substr(Serve(handler, "HEAD", "/").written.size()),
            "first");
        // A change of the file between requests is seen at once.
        WriteBytes(pages.Path() / "ip.html", "changed");
        EXPECT_EQ(
            Serve(handler, "GET", "/").written.substr(Serve(handler, "HEAD", "/").written.size()),
            "changed");
    }
    {
        WorkingDirectory cwd(other.Path());
        EXPECT_EQ(
            Serve(handler, "GET", "/").written.substr(Serve(handler, "HEAD", "/").written.size()),
            "second");
    }
}

TEST_F(ReportHandlerRoutingTest, MissingPageFailsBeforeAnythingIsWritten) {
    ReportHandler handler(connection, sink, FixedTime);
    std::filesystem::create_directory(pages.Path() / "sub");
    std::filesystem::create_directory(pages.Path() / "sub" / "ip.html");
    // Not there at all, and a folder by that name.
    for (const auto& dir : {pages.Path(), pages.Path() / "sub"}) {
        WorkingDirectory cwd(dir);
        FakeConnection peer;
        HttpRequest request = MakeRequest("GET", "/", {});
        try {
            handler.RouteRequest(peer, request);
            ADD_FAILURE() << "a missing page must fail";
        } catch (const IntakeError& error) {
            EXPECT_STREQ(error.what(), "File \"ip.html\" not found");
        }
        EXPECT_EQ(peer.written, "");
        EXPECT_FALSE(peer.closed) << "the service still has to send the 500 reply";
    }
}

}  // namespace
}  // namespace vantrel::intake::test
