// The server address in vantrel-collect.exe: how the intake writes one into
// the file, that the built program carries one marker, and what a download
// carries.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "CollectorDownload.h"
#include "CollectorMarker.h"
#include "IntakeError.h"
#include "MarkerPatch.h"
#include "ReportHandlerTestSupport.h"
#include "TestFiles.h"

namespace vantrel::protocol {
namespace {

using intake::PatchServerMarker;
using testsupport::ReadFile;

std::string FakeProgram() {
    return "MZ head " + std::string(kMarkerMagic) + std::string(kMarkerCapacity, '\0') + " tail";
}

TEST(Marker, PatchWritesTheFieldAndNothingElse) {
    std::string file = FakeProgram();
    const std::string before = file;
    PatchServerMarker(file, "10.0.0.1:8899");
    ASSERT_EQ(file.size(), before.size());
    const std::size_t field = before.find(kMarkerMagic) + kMarkerMagic.size();
    EXPECT_EQ(file.substr(0, field), before.substr(0, field));
    EXPECT_EQ(file.substr(field + kMarkerCapacity), before.substr(field + kMarkerCapacity));
    EXPECT_EQ(ServerFromMarkerField(file.data() + field), "10.0.0.1:8899");

    // A second patch replaces the first whole, shorter or not.
    PatchServerMarker(file, "pc");
    EXPECT_EQ(ServerFromMarkerField(file.data() + field), "pc");
    EXPECT_EQ(file.substr(field + 3, kMarkerCapacity - 3), std::string(kMarkerCapacity - 3, '\0'));

    std::string twice = FakeProgram() + FakeProgram();
    EXPECT_THROW(PatchServerMarker(twice, "pc"), std::runtime_error);
    std::string none = "MZ no marker";
    EXPECT_THROW(PatchServerMarker(none, "pc"), std::runtime_error);
    std::string cut = FakeProgram().substr(0, 8 + kMarkerMagic.size() + 10);
    EXPECT_THROW(PatchServerMarker(cut, "pc"), std::runtime_error);
    EXPECT_THROW(PatchServerMarker(file, "a b"), std::runtime_error);

    // An unpatched copy reads as having no server.
    const std::string empty = FakeProgram();
    EXPECT_EQ(ServerFromMarkerField(empty.data() + field), "");
}

TEST(Marker, TheBuiltProgramCarriesExactlyOneMarker) {
    const std::filesystem::path exe =
        std::filesystem::path(std::getenv("VANTREL_BIN_DIR")) / "vantrel-collect.exe";
    std::string file = ReadFile(exe);
    ASSERT_FALSE(file.empty()) << exe;
    EXPECT_LT(file.size(), 2u * 1024 * 1024);
    EXPECT_EQ(file.substr(0, 2), "MZ");
    const std::string before = file;
    PatchServerMarker(file, "192.168.1.10:8899");
    const std::size_t field = before.find(kMarkerMagic) + kMarkerMagic.size();
    EXPECT_EQ(ServerFromMarkerField(before.data() + field), "");
    EXPECT_EQ(ServerFromMarkerField(file.data() + field), "192.168.1.10:8899");
}

class CollectorDownloadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrel-collector-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
        file_ = folder_ / "vantrel-collect.exe";
        std::ofstream(file_, std::ios::binary) << FakeProgram();
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    // The reply's body and the address in its marker.
    static std::pair<std::string, std::string> Split(const std::string& reply) {
        const std::string body = reply.substr(reply.find("\r\n\r\n") + 4);
        const std::size_t at = body.find(kMarkerMagic);
        return {body, at == std::string::npos
                          ? std::string("(no marker)")
                          : ServerFromMarkerField(body.data() + at + kMarkerMagic.size())};
    }

    std::string Download(const intake::CollectorDownload& download, const std::string& host,
                         const std::string& method = "GET") {
        intake::HttpRequest request;
        request.method = method;
        request.path = "/vantrel-collect.exe";
        request.host = host;
        intake::test::FakeConnection connection;
        download.Serve(connection, request);
        return connection.written;
    }

    std::filesystem::path folder_;
    std::filesystem::path file_;
};

TEST_F(CollectorDownloadTest, MarkerHoldsTheBrowsersHostElseTheListeningAddress) {
    intake::CollectorDownload download(file_.string());
    download.SetListeningAddress("192.168.1.10:8899");

    const std::string reply = Download(download, "inventory.office:8899");
    EXPECT_EQ(reply.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_NE(reply.find("\r\nContent-Disposition: attachment; filename=\"vantrel-collect.exe\""),
              std::string::npos);
    auto [body, server] = Split(reply);
    EXPECT_NE(reply.find("\r\nContent-Length: " + std::to_string(body.size()) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(body.size(), FakeProgram().size());
    EXPECT_EQ(server, "inventory.office:8899");

    const std::string tooLong(kMarkerCapacity, 'a');
    for (const std::string& host : {std::string(), tooLong, std::string("\xD5\xC5:8899"),
                                    std::string("evil.example/x"), std::string("a@b:1")}) {
        EXPECT_EQ(Split(Download(download, host)).second, "192.168.1.10:8899") << host;
    }
    // The file on disk is never changed.
    EXPECT_EQ(ReadFile(file_), FakeProgram());

    const std::string head = Download(download, "pc:8899", "HEAD");
    EXPECT_EQ(head.substr(head.find("\r\n\r\n") + 4), "");
    EXPECT_NE(head.find("Content-Length: " + std::to_string(FakeProgram().size())),
              std::string::npos);
}

TEST_F(CollectorDownloadTest, ByDefaultServesTheProgramBesideTheRunningOne) {
    // This test program lies beside the built vantrel-collect.exe.
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    intake::CollectorDownload download;
    auto [body, server] = Split(Download(download, "10.0.0.1:8899"));
    EXPECT_EQ(body.size(), ReadFile(self.parent_path() / "vantrel-collect.exe").size());
    EXPECT_EQ(server, "10.0.0.1:8899");
}

TEST_F(CollectorDownloadTest, FailuresSendNothing) {
    intake::CollectorDownload download(file_.string());
    // Host unusable and no listening address yet.
    EXPECT_THROW(Download(download, "a b"), intake::IntakeError);

    std::ofstream(file_, std::ios::binary) << "MZ without a marker";
    EXPECT_THROW(Download(download, "pc:8899"), intake::IntakeError);

    std::filesystem::remove(file_);
    try {
        Download(download, "pc:8899");
        FAIL() << "a missing file must fail";
    } catch (const intake::IntakeError& error) {
        EXPECT_STREQ(error.what(), "File \"vantrel-collect.exe\" not found");
    }
}

}  // namespace
}  // namespace vantrel::protocol
