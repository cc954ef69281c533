// "/vantrel-collect.exe" on the real program over loopback: the marker holds
// the browser's Host, or the address the window announces when that Host
// cannot be used; neighbouring paths still get nothing.

#include <gtest/gtest.h>
#include <netdb.h>

#include <filesystem>
#include <string>

#include "VantrelProcess.h"

namespace {

namespace fs = std::filesystem;
using vantrel::e2e::Exchange;
using vantrel::e2e::ReadFile;
using vantrel::e2e::VantrelProcess;

constexpr std::string_view kMarkerMagic = "<VantrelServer>=";

// The first IPv4 address of this machine's own name: what the window
// announces as its address.
std::string LocalAddress() {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0) {
        return {};
    }
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr, text,
                sizeof text);
    ::freeaddrinfo(found);
    return text;
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

}  // namespace
