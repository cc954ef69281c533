// vantrel-collect.exe as staff run it: downloaded from the real program in
// one network namespace and run under Wine with --silent in another, on a
// veth pair. The row it stores must hold the facts this machine has.

#include <cpuid.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "NamespaceServer.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using vantrel::e2e::CommandResult;
using vantrel::e2e::NamespacePair;
using vantrel::e2e::ReadFile;
using vantrel::e2e::RunCommand;
using vantrel::e2e::RunInNamespace;

// "张三"; "无法连接服务器"; "谢谢提供硬件信息！再见"
const std::string kUser = "\xD5\xC5\xC8\xFD";
const std::string kUnreachable = "\xCE\xDE\xB7\xA8\xC1\xAC\xBD\xD3\xB7\xFE\xCE\xF1\xC6\xF7";
const std::string kThankYou =
    "\xD0\xBB\xD0\xBB\xCC\xE1\xB9\xA9\xD3\xB2\xBC\xFE\xD0\xC5\xCF\xA2\xA3\xA1\xD4\xD9\xBC\xFB";
constexpr std::string_view kMarkerMagic = "<VantrelServer>=";

std::string WineProgram() {
    for (const char* path : {"/usr/lib/wine/wine64", "/usr/bin/wine64", "/usr/bin/wine"}) {
        if (::access(path, X_OK) == 0) {
            return path;
        }
    }
    return {};
}

// The processor's brand string from CPUID, which Wine reports as the
// registry's ProcessorNameString (a hypervisor may show /proc/cpuinfo
// another name), with blanks collapsed as the collector does.
std::string CpuBrand() {
    unsigned int words[12] = {};
    for (unsigned int leaf = 0; leaf < 3; ++leaf) {
        if (__get_cpuid(0x80000002 + leaf, &words[leaf * 4], &words[leaf * 4 + 1],
                        &words[leaf * 4 + 2], &words[leaf * 4 + 3]) == 0) {
            return {};
        }
    }
    const std::string raw(reinterpret_cast<const char*>(words),
                          strnlen(reinterpret_cast<const char*>(words), sizeof words));
    std::string name;
    for (char c : raw) {
        if (c == ' ' || c == '\t') {
            if (!name.empty() && name.back() != ' ') {
                name += ' ';
            }
        } else {
            name += c;
        }
    }
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    return name;
}

double MemTotalBytes() {
    std::ifstream in("/proc/meminfo");
    std::string name;
    double kb = 0;
    while (in >> name >> kb) {
        if (name == "MemTotal:") {
            return kb * 1024.0;
        }
        in.ignore(256, '\n');
    }
    return 0;
}

// GET over a connection made from inside the client namespace.
std::string Download(const std::string& clientNamespace, const std::string& host) {
    std::string reply;
    RunInNamespace(clientNamespace, [&] {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(8899);
        ::inet_pton(AF_INET, NamespacePair::kServerAddress, &address.sin_addr);
        timeval limit{10, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return;
        }
        const std::string request =
            "GET /vantrel-collect.exe HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        char buffer[65536];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) {
            reply.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fd);
    });
    return reply;
}

class CollectorUnderWine : public vantrel::e2e::NamespaceServer {
  protected:
    const char* CollectorFile() const override { return "vantrel-collect.exe"; }
    std::string MissingTool() const override {
        return WineProgram().empty() ? "Wine is not installed (Debian package wine64)" : "";
    }

    void SetUp() override {
        wine_ = WineProgram();
        NamespaceServer::SetUp();
        if (!folder_.empty()) {
            fs::create_directories(folder_ / "client");
        }
    }

    void TearDown() override {
        if (!prefix().empty() && namespaces_) {
            // Wine leaves its server running a while after the program ends.
            RunCommand({vantrel::e2e::IpTool(), "netns", "exec", namespaces_->Client(),
                        (fs::path(wine_).parent_path() / "wineserver").string(), "-k"},
                       20s, WineEnv());
        }
        NamespaceServer::TearDown();
    }

    std::string prefix() const { return folder_.empty() ? "" : (folder_ / "prefix").string(); }

    std::vector<std::string> WineEnv() const {
        return {"WINEPREFIX=" + prefix(), "WINEDEBUG=-all", "HOME=" + (folder_ / "client").string(),
                // No .NET or HTML engine: the prefix never asks for them.
                "WINEDLLOVERRIDES=mscoree,mshtml=", "LANG=C.UTF-8", "LC_ALL=C.UTF-8",
                "DISPLAY=", "WAYLAND_DISPLAY="};
    }

    // The first run also creates the Wine prefix. The limits keep the whole
    // test inside CTest's, so that the tear-down always runs.
    CommandResult Collect(const std::vector<std::string>& arguments, std::chrono::seconds timeout) {
        std::vector<std::string> command = {
            vantrel::e2e::IpTool(), "netns", "exec",
            namespaces_->Client(),  wine_,   (folder_ / "client" / "vantrel-collect.exe").string()};
        command.insert(command.end(), arguments.begin(), arguments.end());
        return RunCommand(command, timeout, WineEnv());
    }

    std::string wine_;
};

TEST_F(CollectorUnderWine, DownloadedFileReportsThisMachineAndUnreachableServerFailsClearly) {
    const std::string host = std::string(NamespacePair::kServerAddress) + ":8899";
    const std::string reply = Download(namespaces_->Client(), host);
    const std::size_t blank = reply.find("\r\n\r\n");
    ASSERT_NE(blank, std::string::npos) << reply.substr(0, 200);
    EXPECT_NE(reply.substr(0, blank).find("Content-Disposition: attachment"), std::string::npos);

    // Byte for byte the built file, except the marker's field.
    const std::string body = reply.substr(blank + 4);
    const std::string built = ReadFile(BinDir() / "vantrel-collect.exe");
    ASSERT_EQ(body.size(), built.size());
    const std::size_t field = built.find(kMarkerMagic) + kMarkerMagic.size();
    EXPECT_EQ(body.substr(0, field), built.substr(0, field));
    EXPECT_EQ(body.substr(field + 240), built.substr(field + 240));
    EXPECT_EQ(std::string(body.c_str() + field), host);
    std::ofstream(folder_ / "client" / "vantrel-collect.exe", std::ios::binary) << body;

    // A monitor as Windows keeps it: a device of the monitor class whose
    // key holds the EDID the display driver read (a composed Dell P2419H,
    // from the Linux collector's fixtures). This also creates the prefix.
    const std::string edid =
        ReadFile(fs::path(VANTREL_TEST_DATA) / "linux/desktop/sys/class/drm/card0-HDMI-A-1/edid");
    std::string edidHex;
    for (unsigned char c : edid) {
        static const char digits[] = "0123456789ABCDEF";
        edidHex += digits[c >> 4];
        edidHex += digits[c & 0xF];
    }
    const std::string monitorKey =
        "HKLM\\System\\CurrentControlSet\\Enum\\DISPLAY\\DELA0F4\\5&1a2b3c4d&0&UID0";
    for (const std::vector<std::string>& value :
         {std::vector<std::string>{monitorKey, "/v", "ClassGUID", "/t", "REG_SZ", "/d",
                                   "{4d36e96e-e325-11ce-bfc1-08002be10318}"},
          std::vector<std::string>{monitorKey + "\\Device Parameters", "/v", "EDID", "/t",
                                   "REG_BINARY", "/d", edidHex}}) {
        std::vector<std::string> command = {
            vantrel::e2e::IpTool(), "netns", "exec", namespaces_->Client(), wine_, "reg", "add"};
        command.insert(command.end(), value.begin(), value.end());
        command.push_back("/f");
        ASSERT_EQ(RunCommand(command, 150s, WineEnv()).status, 0);
    }

    // No --server: the file knows where it came from.
    const CommandResult sent = Collect(
        {"--silent", "--user", "\xE5\xBC\xA0\xE4\xB8\x89", "--dept", "IT", "--note", "wine"}, 150s);
    ASSERT_EQ(sent.status, 0) << sent.output;
    EXPECT_NE(sent.output.find(kThankYou), std::string::npos) << sent.output;

    const auto rows = vantrel::e2e::TextRows(
        Database(), "select username, cpu, rammax, os, mac, ip, bm, bz from ip");
    ASSERT_EQ(rows.size(), 1u) << sent.output;
    const auto& row = rows[0];
    EXPECT_EQ(row[0], kUser);
    EXPECT_EQ(row[1], CpuBrand());
    const double reported = std::atof(row[2].c_str()) * 1024.0 * 1024.0 * 1024.0;
    const double total = MemTotalBytes();
    EXPECT_LT(std::fabs(reported - total), total * 0.01) << row[2];
    EXPECT_NE(row[2].find(" GB"), std::string::npos) << row[2];
    EXPECT_FALSE(row[3].empty());
    EXPECT_EQ(row[4], namespaces_->ClientMac());
    EXPECT_EQ(row[5], NamespacePair::kClientAddress);
    EXPECT_EQ(row[6], "IT");
    EXPECT_EQ(row[7], "wine");
    // What it tells of the PC's identity, as --silent shows it (the intake
    // does not store it yet): "显示器：1 台", and among all cards the one
    // that reached the server.
    EXPECT_NE(sent.output.find("\xCF\xD4\xCA\xBE\xC6\xF7\xA3\xBA"
                               "1 \xCC\xA8"),
              std::string::npos)
        << sent.output;
    const std::size_t cards = sent.output.find("\xC8\xAB\xB2\xBF\xCD\xF8\xBF\xA8\xA3\xBA");
    ASSERT_NE(cards, std::string::npos) << sent.output;
    EXPECT_NE(sent.output.substr(cards, sent.output.find('\n', cards) - cards)
                  .find(namespaces_->ClientMac()),
              std::string::npos)
        << sent.output;

    // Nothing listens on 8898: a clear message, a failing status, no row.
    const CommandResult refused = Collect({"--silent", "--user", "x", "--server",
                                           std::string(NamespacePair::kServerAddress) + ":8898"},
                                          60s);
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.status, -1) << "timed out";
    EXPECT_NE(refused.output.find(kUnreachable), std::string::npos) << refused.output;
    EXPECT_EQ(vantrel::e2e::TextRows(Database(), "select mac from ip").size(), 1u);
}

}  // namespace
