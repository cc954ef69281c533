// vantrel-collect.exe under Wine reads the installed programs from Uninstall
// keys written with "wine reg add" into both registry views of the machine
// and into the user's, and posts them as one value to a stand-in server on
// loopback.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ScriptHarness.h"
#include "SoftwareField.h"

namespace vantrel::collector::test {
namespace {

using namespace std::chrono_literals;

const std::string kUninstall = "\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string kMachine64 = "HKLM\\Software" + kUninstall;
const std::string kMachine32 = "HKLM\\Software\\Wow6432Node" + kUninstall;
const std::string kUser = "HKCU\\Software" + kUninstall;

// UTF-8 as "wine reg add" takes it, and the GBK the collector must send:
// "金山办公", "金山打字通"; and what GBK cannot hold, a smiling face and
// the Hangul "한".
const std::string kKingsoftUtf8 = "\xE9\x87\x91\xE5\xB1\xB1\xE5\x8A\x9E\xE5\x85\xAC";
const std::string kKingsoftGbk = "\xBD\xF0\xC9\xBD\xB0\xEC\xB9\xAB";
const std::string kTypingUtf8 = "\xE9\x87\x91\xE5\xB1\xB1\xE6\x89\x93\xE5\xAD\x97\xE9\x80\x9A";
const std::string kTypingGbk = "\xBD\xF0\xC9\xBD\xB4\xF2\xD7\xD6\xCD\xA8";
const std::string kNotGbkUtf8 = "Smile \xF0\x9F\x98\x80 \xED\x95\x9C";
// "已安装软件：8 个"
const std::string kCountLine =
    "\xD2\xD1\xB0\xB2\xD7\xB0\xC8\xED\xBC\xFE\xA3\xBA"
    "8 \xB8\xF6";

struct RegistryValue {
    std::string key;
    std::string name;
    std::string type;
    std::string data;
};

std::vector<RegistryValue> Program(const std::string& key, const std::string& name,
                                   const std::string& version, const std::string& publisher = "",
                                   const std::string& date = "") {
    std::vector<RegistryValue> values = {{key, "DisplayName", "REG_SZ", name}};
    for (const auto& [value, data] : std::map<std::string, std::string>{
             {"DisplayVersion", version}, {"Publisher", publisher}, {"InstallDate", date}}) {
        if (!data.empty()) {
            values.push_back({key, value, "REG_SZ", data});
        }
    }
    return values;
}

class WinSoftware : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* path : {"/usr/lib/wine/wine64", "/usr/bin/wine64", "/usr/bin/wine"}) {
            if (::access(path, X_OK) == 0) {
                wine_ = path;
                break;
            }
        }
        if (wine_.empty()) {
            GTEST_SKIP() << "Wine is not installed (Debian package wine64)";
        }
        exe_ = fs::path(VANTREL_BIN_DIR) / "vantrel-collect.exe";
        ASSERT_TRUE(fs::exists(exe_)) << exe_;
    }

    void TearDown() override {
        if (!wine_.empty()) {
            // Wine leaves its server running a while after the last program.
            RunProcess({(fs::path(wine_).parent_path() / "wineserver").string(), "-k"}, Env(), {},
                       30s);
        }
    }

    std::vector<std::string> Env() const {
        return {"WINEPREFIX=" + (folder_.Path() / "prefix").string(), "WINEDEBUG=-all",
                "HOME=" + folder_.Path().string(), "PATH=/usr/bin:/bin",
                // No .NET or HTML engine: the prefix never asks for them.
                "WINEDLLOVERRIDES=mscoree,mshtml=", "LANG=C.UTF-8", "LC_ALL=C.UTF-8",
                "DISPLAY=", "WAYLAND_DISPLAY="};
    }

    ProcessResult Wine(std::vector<std::string> arguments, std::chrono::seconds timeout = 90s) {
        arguments.insert(arguments.begin(), wine_);
        return RunProcess(arguments, Env(), {}, timeout);
    }

    std::string wine_;
    fs::path exe_;
    TempFolder folder_;
};

TEST_F(WinSoftware, TheRegistrysProgramsArriveOnceEachAsTheFieldsBytes) {
    std::vector<RegistryValue> values;
    const auto add = [&values](const std::vector<RegistryValue>& more) {
        values.insert(values.end(), more.begin(), more.end());
    };
    add(Program(kMachine64 + "{5A1B-WPS}", "WPS Office", "12.1.0.15712", kKingsoftUtf8,
                "20231105"));
    add(Program(kMachine64 + "7-Zip", "7-Zip", "23.01", "Igor Pavlov"));
    // The same name, version and bits under another key: sent once.
    add(Program(kMachine64 + "7-Zip 23.01", "7-Zip", "23.01", "Igor Pavlov"));
    // A tab inside a name becomes a blank.
    add(Program(kMachine64 + "Tabbed", "Tab\tName", "1.0"));
    add(Program(kMachine64 + "Faces", kNotGbkUtf8, ""));
    // No DisplayName, a system component, two kinds of update: left out.
    values.push_back({kMachine64 + "NoName", "DisplayVersion", "REG_SZ", "1.0"});
    add(Program(kMachine64 + "{VCRT}", "Microsoft Visual C++ 2022 X64 Runtime", "14.38"));
    values.push_back({kMachine64 + "{VCRT}", "SystemComponent", "REG_DWORD", "1"});
    add(Program(kMachine64 + "KB5034441", "Security Update for Windows (KB5034441)", ""));
    add(Program(kMachine64 + "{OfficeUpdate}", "Update for Microsoft Office 2016", ""));
    values.push_back({kMachine64 + "{OfficeUpdate}", "ParentKeyName", "REG_SZ", "Office16"});
    // The 32-bit view: another bitness is another program.
    add(Program(kMachine32 + "7-Zip", "7-Zip", "23.01", "Igor Pavlov"));
    add(Program(kMachine32 + "Notepad++", "Notepad++", "8.6", "Notepad++ Team", "20240301"));
    add(Program(kMachine32 + "TypingTutor", kTypingUtf8, "2016", kKingsoftUtf8, "2016-05-09"));
    // The user's own.
    add(Program(kUser + "ZoomUMX", "Zoom", "5.16.10", "Zoom Video Communications, Inc.",
                "20240115"));

    // One "cmd /c" runs every "reg add" in turn, "&&" between them, so that
    // Wine starts once (which also creates the prefix) and the first
    // failure ends it.
    std::vector<std::string> command = {"cmd", "/c"};
    for (const RegistryValue& value : values) {
        if (command.size() > 2) {
            command.push_back("&&");
        }
        command.insert(command.end(), {"reg", "add", value.key, "/v", value.name, "/t", value.type,
                                       "/d", value.data, "/f"});
    }
    const ProcessResult added = Wine(command, 200s);
    ASSERT_EQ(added.status, 0) << added.output;

    StandInServer server("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 2\r\n\r\nok");
    const ProcessResult sent =
        Wine({exe_.string(), "--silent", "--user", "x", "--server", server.Address()});
    EXPECT_NE(sent.output.find(kCountLine), std::string::npos) << sent.output;
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u) << sent.output;
    const auto fields = DecodeForm(requests[0].substr(requests[0].find("\r\n\r\n") + 4));
    ASSERT_FALSE(fields.empty());
    EXPECT_EQ(fields.back().first, protocol::kSoftwareField);
    EXPECT_EQ(fields.back().second,
              "7-Zip\t23.01\tIgor Pavlov\t\t32\tmachine\t1\n"
              "7-Zip\t23.01\tIgor Pavlov\t\t64\tmachine\t1\n"
              "Notepad++\t8.6\tNotepad++ Team\t2024-03-01\t32\tmachine\t1\n"
              "Smile ? ?\t\t\t\t64\tmachine\t1\n"
              "Tab Name\t1.0\t\t\t64\tmachine\t1\n"
              "WPS Office\t12.1.0.15712\t" +
                  kKingsoftGbk +
                  "\t2023-11-05\t64\tmachine\t1\n"
                  "Zoom\t5.16.10\tZoom Video Communications, Inc.\t2024-01-15\t\tuser\t1\n" +
                  kTypingGbk + "\t2016\t" + kKingsoftGbk + "\t2016-05-09\t32\tmachine\t1");
}

}  // namespace
}  // namespace vantrel::collector::test
