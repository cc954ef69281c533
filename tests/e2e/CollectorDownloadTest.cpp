// "/vantrel-collect.exe" on the real program over loopback: the marker holds
// the browser's Host, or the address the window announces when that Host
// cannot be used; neighbouring paths still get nothing.

#include <gtest/gtest.h>
#include <netdb.h>

#include <filesystem>
#include <string>

#include "LocalAddress.h"
#include "VantrelProcess.h"

namespace {

namespace fs = std::filesystem;
using vantrel::e2e::Exchange;
using vantrel::e2e::ReadFile;
using vantrel::e2e::VantrelProcess;

constexpr std::string_view kMarkerMagic = "<VantrelServer>=";

// What the window announces as its address: the host name's address, or
// the LAN address chosen instead of a loopback one.
std::string LocalAddress() {
    try {
        return vantrel::scan::LocalAddress();
    } catch (const std::exception&) {
        return {};
    }
}

// The reply's body and the text in its marker.
std::pair<std::string, std::string> BodyAndMarker(const std::string& reply) {
    const std::size_t blank = reply.find("\r\n\r\n");
    if (blank == std::string::npos) {
        return {};
    }
    const std::string body = reply.substr(blank + 4);
    const std::size_t at = body.find(kMarkerMagic);
    if (at == std::string::npos) {
        return {body, "(no marker)"};
    }
    return {body, std::string(body.c_str() + at + kMarkerMagic.size())};
}

std::string Get(const std::string& path, const std::string& host,
                const std::string& method = "GET") {
    return Exchange(method + " " + path + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
}

TEST(CollectorDownload, MarkerHoldsHostElseTheAnnouncedAddress) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    VantrelProcess vantrel;
    const fs::path built = fs::read_symlink("/proc/self/exe").parent_path() / "vantrel-collect.exe";
    // Not there yet: the 500 reply names the file.
    EXPECT_NE(Get("/vantrel-collect.exe", "pc:8899").find("vantrel-collect.exe\" not found"),
              std::string::npos);
    fs::copy_file(built, vantrel.Folder() / "vantrel-collect.exe");
    const std::string original = ReadFile(built);

    const auto [body, marker] = BodyAndMarker(Get("/vantrel-collect.exe", "inventory.lan:8899"));
    EXPECT_EQ(marker, "inventory.lan:8899");
    EXPECT_EQ(body.size(), original.size());

    const std::string announced = LocalAddress() + ":8899";
    for (const std::string& host : {std::string(300, 'a'), std::string("a b"),
                                    std::string("\xD5\xC5\xC8\xFD:8899"), std::string("x/y")}) {
        EXPECT_EQ(BodyAndMarker(Get("/vantrel-collect.exe", host)).second, announced) << host;
    }

    const std::string head = Get("/vantrel-collect.exe", "pc", "HEAD");
    EXPECT_NE(head.find("Content-Length: " + std::to_string(original.size())), std::string::npos);
    EXPECT_EQ(head.substr(head.find("\r\n\r\n") + 4), "");

    for (const char* other :
         {"/vantrel-collect.exe/", "/VANTREL-COLLECT.EXE", "/vantrel-collect"}) {
        EXPECT_EQ(Get(other, "pc"), "") << other;
    }
}

// "/vantrel-collect.sh": the script byte for byte, its marker line holding
// the browser's Host or, when that is no host[:port], the announced address.
TEST(CollectorDownload, ScriptMarkerHoldsHostElseTheAnnouncedAddress) {
    VANTREL_SKIP_WITHOUT_HOSTS_ENTRY();
    VantrelProcess vantrel;
    const fs::path built = fs::read_symlink("/proc/self/exe").parent_path() / "vantrel-collect.sh";
    EXPECT_NE(Get("/vantrel-collect.sh", "pc:8899").find("vantrel-collect.sh\" not found"),
              std::string::npos);
    fs::copy_file(built, vantrel.Folder() / "vantrel-collect.sh");
    const std::string original = ReadFile(built);
    const std::size_t marker = original.find("\nvantrel_server=''\n");
    ASSERT_NE(marker, std::string::npos);
    auto servedWith = [&](const std::string& address) {
        return std::string(original).insert(marker + 17, address);
    };
    auto body = [](const std::string& reply) {
        const std::size_t blank = reply.find("\r\n\r\n");
        EXPECT_NE(reply.substr(0, blank).find("\r\nContent-Type: text/plain"), std::string::npos)
            << reply.substr(0, 300);
        return blank == std::string::npos ? std::string() : reply.substr(blank + 4);
    };

    EXPECT_EQ(body(Get("/vantrel-collect.sh", "inventory.lan:8899")),
              servedWith("inventory.lan:8899"));
    const std::string announced = LocalAddress() + ":8899";
    // Too long, a header line folded with CR LF, a bare CR, GBK bytes, and
    // shell syntax.
    for (const std::string& host :
         {std::string(300, 'a'), std::string("pc\r\n\t:8899"), std::string("pc\r:8899"),
          std::string("\xD5\xC5\xC8\xFD:8899"), std::string("pc';id;'")}) {
        EXPECT_EQ(body(Get("/vantrel-collect.sh", host)), servedWith(announced)) << host;
    }
    const std::string head = Get("/vantrel-collect.sh", "pc", "HEAD");
    EXPECT_NE(head.find("Content-Length: " + std::to_string(servedWith("pc").size())),
              std::string::npos);
    EXPECT_EQ(body(head), "");
}

}  // namespace
