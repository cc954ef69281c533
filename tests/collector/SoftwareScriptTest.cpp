// vantrel-collect.sh's list of installed programs under dash, bash and
// busybox sh: from stand-in dpkg-query, dpkg, rpm, flatpak and snap
// answering from small trees, the exact bytes of the xipSoftware value,
// the count it shows, and no list at all when a package system fails.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ScriptHarness.h"
#include "SoftwareField.h"
#include "SoftwareList.h"
#include "TestFiles.h"

namespace vantrel::collector::test {
namespace {

const std::string kThanks =
    "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 22\r\n\r\n"
    "\xD0\xBB\xD0\xBB\xCC\xE1\xB9\xA9\xD3\xB2\xBC\xFE\xD0\xC5\xCF\xA2\xA3\xA1\xD4\xD9\xBC\xFB";
// "金山办公" in GBK; "已安装软件：" and "个" in UTF-8, as the script shows them.
const std::string kKingsoftGbk = "\xBD\xF0\xC9\xBD\xB0\xEC\xB9\xAB";
const std::string kInstalled =
    "\xE5\xB7\xB2\xE5\xAE\x89\xE8\xA3\x85\xE8\xBD\xAF\xE4\xBB\xB6\xEF\xBC\x9A";
const std::string kPieces = " \xE4\xB8\xAA";
// "（未能读出" and "（只发送前 "
const std::string kNotRead = "\xEF\xBC\x88\xE6\x9C\xAA\xE8\x83\xBD\xE8\xAF\xBB\xE5\x87\xBA";
const std::string kOnlyFirst = "\xEF\xBC\x88\xE5\x8F\xAA\xE5\x8F\x91\xE9\x80\x81\xE5\x89\x8D ";

const std::vector<std::string> kPrograms = {"awk",  "od",      "iconv",  "tr",    "uname",
                                            "cat",  "timeout", "mktemp", "sleep", "rm",
                                            "curl", "stat",    "sort",   "date"};

const std::string kDebList =
    "GIMP\t2.10.36\t\t\t64\tflatpak\t1\n"
    "com.example.Tool\t1.0\t\t\t64\tflatpak\t1\n"
    "firefox\t122.0-2\tmozilla\t\t\tsnap\t1\n"
    "firefox-esr\t115.6.0esr-1~deb12u1\tMozilla Team\t2024-01-01\t64\tdpkg\t1\n"
    "fonts-hangul\t1.0\tJos? ?\t\t\tdpkg\t0\n"
    "gimp\t2.10.34-1\tDebian GNOME Maintainers\t\t64\tdpkg\t1\n"
    "gimp-data\t2.10.34-1\tDebian GNOME Maintainers\t\t\tdpkg\t1\n"
    "libc6\t2.36-9+deb12u4\tGNU Libc Maintainers\t2023-11-14\t64\tdpkg\t0\n"
    "libc6\t2.36-9+deb12u4\tGNU Libc Maintainers\t2024-03-09\t32\tdpkg\t0\n"
    "spotify\t1.2.26.1187.g36b715a1\tspotify\t\t\tsnap\t1\n"
    "vlc\t3.0.20\tvideolan\t\t\tsnap\t1\n"
    "wps-office\t11.1.0.11719\t" +
    kKingsoftGbk +
    "\t2023-07-22\t64\tdpkg\t1\n"
    "zenity\t3.44.0-1\tDebian GNOME Maintainers\t\t64\tdpkg\t1";
const std::string kRpmList =
    "firefox\t115.6.0-1.el9_3\tRed Hat, Inc.\t2023-11-15\t64\trpm\t1\n"
    "glibc\t2.34-83.el9\tRed Hat, Inc.\t2023-11-15\t32\trpm\t0\n"
    "local-tool\t1.0-1\t\t\t\trpm\t0";

fs::path DataDir() {
    return fs::path(std::getenv("VANTREL_TEST_DATA")) / "linux";
}

struct ListCase {
    const char* what;
    const char* tree;
    std::vector<std::string> standIns;
    std::vector<std::string> env;
    const std::string* list;  // the value expected; nullptr: the field is left out
    std::string countLine;    // a line the script shows
};

class SoftwareScript : public CollectorScriptTest {
  protected:
    // A copy of the tree whose dpkg file lists carry the times of their
    // installs (git keeps no file times).
    fs::path Tree(const std::string& name) {
        const fs::path tree = folder_.Path() / (name + std::to_string(++runs_));
        fs::copy(DataDir() / name, tree, fs::copy_options::recursive);
        const std::map<std::string, long long> installed = {{"firefox-esr.list", 1704067200},
                                                            {"libc6:amd64.list", 1700000000},
                                                            {"libc6:i386.list", 1710000000},
                                                            {"wps-office.list", 1690000000}};
        for (const auto& [file, seconds] : installed) {
            const fs::path path = tree / "var/lib/dpkg/info" / file;
            if (fs::exists(path)) {
                fs::last_write_time(path,
                                    fs::file_time_type::clock::from_sys(
                                        std::chrono::sys_seconds(std::chrono::seconds(seconds))));
            }
        }
        return tree;
    }

    // Runs the script against a stand-in server; returns its output and
    // the posted form's fields.
    std::pair<ProcessResult, std::vector<std::pair<std::string, std::string>>> Collect(
        const std::string& tree, const std::vector<std::string>& standIns,
        const std::vector<std::string>& moreEnv) {
        std::vector<fs::path> tools;
        for (const std::string& name : standIns) {
            tools.push_back(DataDir() / "tools" / name);
        }
        const fs::path bin =
            MakeToolFolder(folder_.Path() / ("bin" + std::to_string(++runs_)), kPrograms, tools);
        StandInServer server(kThanks);
        std::vector<std::string> command = shell_;
        command.insert(command.end(),
                       {script_.string(), "--silent", "--server", server.Address(), "--user", "x"});
        std::vector<std::string> env = {
            "PATH=" + bin.string(), "LANG=C.UTF-8", "HOME=" + folder_.Path().string(),
            "VANTREL_COLLECT_ROOT=" + Tree(tree).string(), "VANTREL_TOOL_LOG=" + Log().string()};
        env.insert(env.end(), moreEnv.begin(), moreEnv.end());
        ProcessResult result = RunProcess(command, env);
        const std::vector<std::string> requests = server.Requests();
        EXPECT_EQ(requests.size(), 1u) << result.output;
        if (requests.size() != 1) {
            return {result, {}};
        }
        return {result, DecodeForm(requests[0].substr(requests[0].find("\r\n\r\n") + 4))};
    }

    fs::path Log() const { return folder_.Path() / "calls.log"; }

    TempFolder folder_;
    int runs_ = 0;
};

TEST_P(SoftwareScript, EachSourcesProgramsArriveOnceEachAsTheFieldsBytes) {
    const std::vector<ListCase> cases = {
        {"dpkg, flatpak and snap",
         "software-deb",
         {"dpkg-query", "dpkg", "flatpak", "snap"},
         {"TZ=UTC0"},
         &kDebList,
         kInstalled + "13" + kPieces},
        // The day of an install is the local one: 22:13 UTC is the next
        // morning in China. No snaps are installed, so a snap that does not
        // answer changes nothing.
        {"rpm",
         "software-rpm",
         {"rpm", "snap"},
         {"TZ=CST-8", "VANTREL_STANDIN_FAIL=snap"},
         &kRpmList,
         kInstalled + "3" + kPieces},
        {"dpkg-query fails",
         "software-deb",
         {"dpkg-query", "dpkg", "flatpak", "snap"},
         {"VANTREL_STANDIN_FAIL=dpkg-query"},
         nullptr,
         kInstalled + kNotRead},
        // snapd is down while snaps are installed: no part is sent for the whole.
        {"snap fails",
         "software-deb",
         {"dpkg-query", "dpkg", "flatpak", "snap"},
         {"VANTREL_STANDIN_FAIL=snap"},
         nullptr,
         kInstalled + kNotRead},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(Log());
        const auto [result, fields] = Collect(c.tree, c.standIns, c.env);
        EXPECT_EQ(result.status, 0) << result.output;
        EXPECT_NE(result.output.find(c.countLine), std::string::npos) << result.output;
        ASSERT_FALSE(fields.empty());
        if (c.list == nullptr) {
            EXPECT_NE(fields.back().first, protocol::kSoftwareField);
            continue;
        }
        EXPECT_EQ(fields.back().first, protocol::kSoftwareField);
        EXPECT_EQ(fields.back().second, *c.list);
        // One query for the owners of all desktop entries; flatpak asked
        // for applications only.
        const std::string calls = testsupport::ReadFile(Log());
        const std::string owners = std::string(c.tree) == "software-deb"
                                       ? "dpkg -S /usr/share/applications/firefox-esr.desktop "
                                         "/usr/share/applications/gimp.desktop "
                                         "/usr/share/applications/local.desktop "
                                         "/usr/share/applications/wps-office-wps.desktop "
                                         "/usr/share/applications/zenity.desktop\n"
                                       : "rpm -qf --qf %{NAME}\\n "
                                         "/usr/share/applications/firefox.desktop "
                                         "/usr/share/applications/other.desktop\n";
        EXPECT_NE(calls.find(owners), std::string::npos) << calls;
        const std::string query = owners.substr(0, owners.find(" /"));
        std::size_t queries = 0;
        for (std::size_t at = 0; at < calls.size(); at = calls.find('\n', at) + 1) {
            queries += calls.compare(at, query.size(), query) == 0;
        }
        EXPECT_EQ(queries, 1u) << calls;
        if (std::string(c.tree) == "software-deb") {
            EXPECT_NE(calls.find("flatpak list --app "), std::string::npos) << calls;
        }
    }
}

// The bounds: a longer list keeps its first whole lines, and says so.
TEST_P(SoftwareScript, ALongListKeepsItsFirstLinesWithinTheBounds) {
    if (std::string(GetParam()) != "dash") {
        // The cut is awk's, the same under every shell; the runs are slow.
        GTEST_SKIP() << "checked under dash";
    }
    const struct {
        std::string many;  // packages, bytes of each name, what fills it
        std::size_t found;
        std::size_t lineBytes;     // with its line break
        std::size_t encodedBytes;  // the same percent-encoded
    } cases[] = {
        {"5001 8", 5001, 24, 38},
        // Names cut to 255 bytes: far fewer lines fill 512 KB.
        {"3000 300", 3000, 271, 285},
        // 98 times "金", two bytes in GBK and six in the form: the form's
        // bound cuts first.
        {"3000 300 \xE9\x87\x91", 3000, 220, 626},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.many);
        const auto [result, fields] =
            Collect("software-deb", {"dpkg-query", "dpkg"}, {"VANTREL_STANDIN_MANY=" + c.many});
        ASSERT_FALSE(fields.empty());
        ASSERT_EQ(fields.back().first, protocol::kSoftwareField) << result.output;
        const std::string& list = fields.back().second;
        const std::size_t sent =
            std::min({protocol::kMaxPrograms, (protocol::kMaxSoftwareBytes + 1) / c.lineBytes,
                      (kMaxSoftwareFormBytes + 3) / c.encodedBytes});
        EXPECT_EQ(list.size(), sent * c.lineBytes - 1);
        EXPECT_EQ(list.rfind("p0000001", 0), 0u);
        EXPECT_EQ(list.substr(list.size() - 15), "\t1\tM\t\t64\tdpkg\t0");
        EXPECT_NE(result.output.find(kInstalled + std::to_string(c.found) + kPieces + kOnlyFirst +
                                     std::to_string(sent) + kPieces),
                  std::string::npos)
            << result.output;
    }
}

INSTANTIATE_TEST_SUITE_P(Shells, SoftwareScript, ::testing::Values("dash", "bash", "busybox"),
                         [](const ::testing::TestParamInfo<const char*>& shell) {
                             return std::string(shell.param);
                         });

}  // namespace
}  // namespace vantrel::collector::test
