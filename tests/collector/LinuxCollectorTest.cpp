// vantrel-collect.sh under dash, bash and busybox sh: what it reads from
// small trees of /proc, /sys and /etc taken from real machines, what it
// posts, how it ends on every kind of failure, and that nothing it is given
// is ever run.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "IdentityCases.h"
#include "IdentityFields.h"
#include "ScriptDownload.h"
#include "ScriptHarness.h"
#include "TestFiles.h"

namespace vantrel::collector::test {
namespace {

// "台式", "笔记本"; " 个逻辑处理器" follows the count
const std::string kDesktop = "\xCC\xA8\xCA\xBD";
const std::string kLaptop = "\xB1\xCA\xBC\xC7\xB1\xBE";
const std::string kLogical = " \xB8\xF6\xC2\xDF\xBC\xAD\xB4\xA6\xC0\xED\xC6\xF7";
// "谢谢提供硬件信息！再见" as the intake sends it, and in UTF-8 as the
// script shows it.
const std::string kThankYouGbk =
    "\xD0\xBB\xD0\xBB\xCC\xE1\xB9\xA9\xD3\xB2\xBC\xFE\xD0\xC5\xCF\xA2\xA3\xA1\xD4\xD9\xBC\xFB";
const std::string kThankYouUtf8 =
    "\xe8\xb0\xa2\xe8\xb0\xa2\xe6\x8f\x90\xe4\xbe\x9b\xe7\xa1\xac\xe4\xbb\xb6\xe4\xbf\xa1\xe6\x81"
    "\xaf\xef\xbc\x81\xe5\x86\x8d\xe8\xa7\x81";
const std::string kThanks =
    "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 22\r\n\r\n" + kThankYouGbk;
// "数据库已锁定"
const std::string kLockedGbk = "\xCA\xFD\xBE\xDD\xBF\xE2\xD2\xD1\xCB\xF8\xB6\xA8";
const std::string kServerError =
    "HTTP/1.1 500 Internal Server Error\r\nConnection: close\r\nContent-Length: 12\r\n\r\n" +
    kLockedGbk;

// The programs the script uses that every such PC has, and with curl.
const std::vector<std::string> kBasics = {"awk", "od",      "iconv",  "tr",    "uname",
                                          "cat", "timeout", "mktemp", "sleep", "rm"};
const std::vector<std::string> kWithCurl = {"awk",     "od",     "iconv", "tr", "uname", "cat",
                                            "timeout", "mktemp", "sleep", "rm", "curl"};

// The page's field names in the page's order, then the PC's identity.
const std::vector<std::string> kFieldOrder = [] {
    std::vector<std::string> order = {
        "xipUserName", "bm",    "dh",        "xipName",  "xipDorl", "bz",    "xipOs",  "xipCpu",
        "xipRammax",   "xipXk", "xipRammin", "xipBoard", "xipBios", "xipYp", "xipMac", "xipIp"};
    order.insert(order.end(), protocol::kIdentityFields.begin(), protocol::kIdentityFields.end());
    return order;
}();

struct Shell {
    const char* name;
    std::vector<std::string> command;
};

fs::path DataDir() {
    return fs::path(std::getenv("VANTREL_TEST_DATA")) / "linux";
}

// A fixture connector's EDID in hex, as it should be posted; fails unless
// the fixture is a whole EDID (header, 128-byte blocks, checksums).
std::string FixtureEdidHex(const std::string& tree, const std::string& connector) {
    const std::string edid =
        testsupport::ReadFile(DataDir() / tree / "sys/class/drm" / connector / "edid");
    EXPECT_EQ(edid.substr(0, 8), std::string("\x00\xFF\xFF\xFF\xFF\xFF\xFF\x00", 8)) << connector;
    EXPECT_TRUE(!edid.empty() && edid.size() % 128 == 0) << connector;
    std::string hex;
    unsigned sum = 0;
    for (std::size_t i = 0; i < edid.size(); ++i) {
        const auto byte = static_cast<unsigned char>(edid[i]);
        sum += byte;
        if (i % 128 == 127) {
            EXPECT_EQ(sum % 256, 0u) << connector << " block " << i / 128;
        }
        static const char digits[] = "0123456789ABCDEF";
        hex += digits[byte >> 4];
        hex += digits[byte & 0xF];
    }
    return hex;
}

class LinuxCollector : public CollectorScriptTest {
  protected:
    // Runs the script with `arguments`, only `programs` and `standIns` on
    // PATH, the readers pointed at `tree` (tests/data/linux/...).
    ProcessResult Run(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& programs = kWithCurl,
                      const std::vector<std::string>& standIns = {},
                      const std::string& tree = "desktop", const std::string& lang = "C.UTF-8",
                      const fs::path& script = {}, const std::vector<std::string>& moreEnv = {}) {
        std::vector<fs::path> tools;
        for (const std::string& name : standIns) {
            tools.push_back(DataDir() / "tools" / name);
        }
        const fs::path bin =
            MakeToolFolder(folder_.Path() / ("bin" + std::to_string(++runs_)), programs, tools);
        std::vector<std::string> command = runAs_;
        command.insert(command.end(), shell_.begin(), shell_.end());
        command.push_back(script.empty() ? script_.string() : script.string());
        command.insert(command.end(), arguments.begin(), arguments.end());
        std::vector<std::string> env = {
            "PATH=" + bin.string(), "LANG=" + lang, "HOME=" + folder_.Path().string(),
            "VANTREL_COLLECT_ROOT=" +
                (tree.front() == '/' ? fs::path(tree) : DataDir() / tree).string()};
        env.insert(env.end(), moreEnv.begin(), moreEnv.end());
        return RunProcess(command, env);
    }

    std::vector<std::string> Silent(const std::string& server,
                                    std::vector<std::string> more = {"--user", "x"}) {
        more.insert(more.begin(), {"--silent", "--server", server});
        return more;
    }

    std::vector<std::string> runAs_;  // a command that runs the shell as another user
    TempFolder folder_;
    int runs_ = 0;
};

// The one request's form fields, by name; fails unless it is a form POST
// to /post carrying the page's fields in the page's order.
std::map<std::string, std::string> PostedFields(const StandInServer& server) {
    const std::vector<std::string> requests = server.Requests();
    EXPECT_EQ(requests.size(), 1u);
    if (requests.size() != 1) {
        return {};
    }
    const std::string& request = requests[0];
    EXPECT_EQ(request.rfind("POST /post HTTP/1.", 0), 0u) << request.substr(0, 200);
    EXPECT_NE(request.find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"),
              std::string::npos)
        << request.substr(0, 400);
    const auto fields = DecodeForm(request.substr(request.find("\r\n\r\n") + 4));
    std::vector<std::string> names;
    std::map<std::string, std::string> byName;
    for (const auto& [name, value] : fields) {
        names.push_back(name);
        byName[name] = value;
    }
    EXPECT_EQ(names, kFieldOrder);
    return byName;
}

struct MachineCase {
    const char* tree;
    std::vector<std::string> standIns;
    std::map<std::string, std::string> facts;
};

TEST_P(LinuxCollector, ReadsEachMachinesFactsAndPostsThemInThePagesFormats) {
    const std::vector<MachineCase> cases = {
        {"desktop",
         {"lspci"},
         {{"xipName", "cw-pc07"},
          {"xipDorl", kDesktop},
          {"xipOs", "Debian GNU/Linux 12 (bookworm) x86_64 (6.1.0-18)"},
          {"xipCpu", "Intel(R) Core(TM) i5-9500 CPU @ 3.00GHz (6" + kLogical + ")"},
          {"xipBoard", "Dell Inc. 0YMXG6"},
          {"xipBios", "Dell Inc. 1.22.0 2023-02-21"},
          {"xipRammax", "15.5 GB"},
          {"xipRammin", "11.5 GB"},
          // sysfs keeps 16 characters of an ATA model; the DVD writer and
          // the loop device are left out.
          {"xipYp", "Samsung SSD 870 (465.8 GB); ST1000DM010-2EP1 (931.5 GB)"},
          {"xipXk",
           "Intel Corporation CoffeeLake-S GT2 [UHD Graphics 630]; NVIDIA Corporation GP107 "
           "[GeForce GTX 1050 Ti]"},
          {"xipMac", "A4:BB:6D:12:34:56"},
          {"xipIp", "192.168.1.57"},
          {"xipMaker", "Dell Inc."},
          {"xipModel", "OptiPlex 7070"},  // the version "Not Specified" says nothing
          {"xipSerial", "7XK4Q23"},
          {"xipUuid", "4C4C4544-0058-4B10-8034-B7C04F513233"},
          {"xipBoardSerial", "/7XK4Q23/CNCMK0097D00DD/"},
          {"xipChassisSerial", "7XK4Q23"},
          {"xipAssetTag", "CW-0187"},
          // Two connected monitors; neither the disconnected connector nor
          // the one with a cut EDID.
          {"xipMonitors", FixtureEdidHex("desktop", "card0-DP-1") + "," +
                              FixtureEdidHex("desktop", "card0-HDMI-A-1")},
          // The cards with a device: not docker0, not the loopback.
          {"xipMacs", "A4:BB:6D:12:34:56,00:E0:4C:68:00:17"}}},
        {"laptop",
         {"lsblk"},
         {{"xipName", "lenovo-e14"},
          {"xipDorl", kLaptop},  // chassis "Other", decided by the battery
          {"xipOs", "UnionTech OS Desktop 20 Pro x86_64 (5.10.0)"},
          {"xipCpu", "Intel(R) Core(TM) i5-10210U CPU @ 1.60GHz (8" + kLogical + ")"},
          {"xipBoard", "LENOVO 20RAS0SA00"},
          {"xipBios", "LENOVO R1AET53W (1.29 ) 2022-12-07"},
          {"xipRammax", "7.61 GB"},
          {"xipRammin", "717 MB"},
          // The empty card reader and the loop device are left out.
          {"xipYp", "SAMSUNG MZVLB512HBJQ-000L7 (476.9 GB)"},
          {"xipXk", "i915 (8086:9B41)"},
          {"xipMac", "F4:8C:50:AA:BB:CC"},
          {"xipIp", "10.10.1.23"},
          {"xipMaker", "LENOVO"},
          {"xipModel", "20RAS0SA00 ThinkPad E14"},
          {"xipSerial", "PF2ABCDE"},
          {"xipUuid", ""},  // 03000200-0400-0500-0006-000700080009
          {"xipBoardSerial", "L1HF0AB01CD"},
          {"xipChassisSerial", ""},  // "None"
          {"xipAssetTag", "No Asset Information"},
          {"xipMonitors", FixtureEdidHex("laptop", "card0-eDP-1")},
          {"xipMacs", "F4:8C:50:AA:BB:CC"}}},
        {"arm64",
         {},
         {{"xipName", "rpi-lab"},
          {"xipDorl", kDesktop},  // a keyboard's battery is no laptop's
          {"xipOs", "Debian GNU/Linux 12 (bookworm) aarch64 (6.1.0)"},
          {"xipCpu", "Raspberry Pi 4 Model B Rev 1.4 (4" + kLogical + ")"},
          {"xipBoard", "Raspberry Pi 4 Model B Rev 1.4"},
          {"xipBios", ""},
          {"xipRammax", "3.71 GB"},
          {"xipRammin", "3.13 GB"},
          {"xipYp", "SC32G (29.7 GB)"},
          {"xipXk", "v3d; vc4-drm"},
          {"xipMac", "DC:A6:32:01:02:03"},
          {"xipIp", "192.168.3.40"},
          {"xipMaker", ""},
          {"xipSerial", "10000000a1b2c3d4"},  // from the device tree: no DMI
          {"xipUuid", ""},
          {"xipMonitors", ""},  // the connected HDMI port shows no EDID
          {"xipMacs", "DC:A6:32:01:02:03"}}},
        // lscpu names the core where cpuinfo does not.
        {"arm64", {"lscpu"}, {{"xipCpu", "Cortex-A72 (4" + kLogical + ")"}}},
    };
    for (const MachineCase& machine : cases) {
        SCOPED_TRACE(machine.tree + std::string(machine.standIns.empty() ? "" : " with ") +
                     (machine.standIns.empty() ? "" : machine.standIns[0]));
        StandInServer server(kThanks);
        const ProcessResult result =
            Run(Silent(server.Address()), kWithCurl, machine.standIns, machine.tree);
        EXPECT_EQ(result.status, 0) << result.output;
        EXPECT_NE(result.output.find(kThankYouUtf8), std::string::npos) << result.output;
        auto posted = PostedFields(server);
        for (const auto& [name, value] : machine.facts) {
            EXPECT_EQ(posted[name], value) << name;
        }
    }
}

// The placeholder table the program's rule is tested with: each text in the
// DMI files the script reads, each UUID in product_uuid, several per run.
TEST_P(LinuxCollector, PlaceholdersAreSentEmptyAsTheProgramsRuleSays) {
    if (std::string(GetParam()) != "dash") {
        // The rule is awk's, the same under every shell; the runs are slow.
        GTEST_SKIP() << "checked under dash";
    }
    const std::vector<std::string> slots = {"sys_vendor", "product_serial", "board_serial",
                                            "chassis_serial", "chassis_asset_tag"};
    const std::vector<std::string> fields = {"xipMaker", "xipSerial", "xipBoardSerial",
                                             "xipChassisSerial", "xipAssetTag"};
    const std::size_t runs =
        std::max((kTextCases.size() + slots.size() - 1) / slots.size(), kUuidCases.size());
    for (std::size_t run = 0; run < runs; ++run) {
        const fs::path tree = folder_.Path() / ("placeholders" + std::to_string(run));
        const fs::path dmi = tree / "sys/class/dmi/id";
        fs::create_directories(dmi);
        std::map<std::string, std::string> expected;
        for (std::size_t slot = 0; slot < slots.size(); ++slot) {
            const std::size_t at = run * slots.size() + slot;
            if (at < kTextCases.size()) {
                std::ofstream(dmi / slots[slot]) << kTextCases[at].text << "\n";
                expected[fields[slot]] = kTextCases[at].placeholder ? "" : kTextCases[at].text;
            }
        }
        if (run < kUuidCases.size()) {
            std::ofstream(dmi / "product_uuid") << kUuidCases[run].text << "\n";
            std::string upper = kUuidCases[run].text;
            for (char& c : upper) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            expected["xipUuid"] = kUuidCases[run].placeholder ? "" : upper;
        }
        StandInServer server(kThanks);
        const ProcessResult result = Run(Silent(server.Address()), kWithCurl, {}, tree.string());
        EXPECT_EQ(result.status, 0) << result.output;
        auto posted = PostedFields(server);
        for (const auto& [name, value] : expected) {
            EXPECT_EQ(posted[name], value) << name;
        }
    }
}

// The serial numbers and the UUID only root may read. The tests run as
// root, who reads any file, so the script runs here as nobody (setpriv)
// against a copy of a tree whose root-only files are mode 000.
TEST_P(LinuxCollector, RootOnlyValuesStayEmptyForOthersWhoAreToldOfSudo) {
    const std::string setpriv = SystemProgram("setpriv");
    if (::geteuid() != 0 || setpriv.empty()) {
        GTEST_SKIP() << "needs root and setpriv (Debian package util-linux)";
    }
    const fs::path tree = folder_.Path() / "desktop";
    fs::copy(DataDir() / "desktop", tree, fs::copy_options::recursive);
    for (const char* name : {"product_serial", "product_uuid", "board_serial", "chassis_serial"}) {
        fs::permissions(tree / "sys/class/dmi/id" / name, fs::perms::none);
    }
    fs::permissions(folder_.Path(), fs::perms::owner_all | fs::perms::group_read |
                                        fs::perms::group_exec | fs::perms::others_read |
                                        fs::perms::others_exec);
    // "用 sudo 运行本脚本可一并读出"
    const std::string toldOfSudo =
        "\xe7\x94\xa8 sudo \xe8\xbf\x90\xe8\xa1\x8c\xe6\x9c\xac\xe8\x84\x9a\xe6\x9c\xac\xe5\x8f\xaf"
        "\xe4\xb8\x80\xe5\xb9\xb6\xe8\xaf\xbb\xe5\x87\xba";
    struct UserCase {
        const char* who;
        std::vector<std::string> runAs;
        std::string serial;
        std::string uuid;
        bool told;
    };
    const std::vector<UserCase> cases = {
        {"nobody", {setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"}, "", "", true},
        {"root", {}, "7XK4Q23", "4C4C4544-0058-4B10-8034-B7C04F513233", false},
    };
    for (const UserCase& user : cases) {
        SCOPED_TRACE(user.who);
        runAs_ = user.runAs;
        StandInServer server(kThanks);
        const ProcessResult result = Run(Silent(server.Address()), kWithCurl, {}, tree.string());
        EXPECT_EQ(result.status, 0) << result.output;
        auto posted = PostedFields(server);
        EXPECT_EQ(posted["xipSerial"], user.serial);
        EXPECT_EQ(posted["xipUuid"], user.uuid);
        EXPECT_EQ(posted["xipBoardSerial"].empty(), user.serial.empty());
        EXPECT_EQ(posted["xipChassisSerial"], user.serial);
        // What everyone may read is there either way.
        EXPECT_EQ(posted["xipMaker"], "Dell Inc.");
        EXPECT_EQ(posted["xipAssetTag"], "CW-0187");
        const std::size_t first = result.output.find(toldOfSudo);
        EXPECT_EQ(first != std::string::npos, user.told) << result.output;
        if (first != std::string::npos) {
            EXPECT_EQ(result.output.find(toldOfSudo, first + 1), std::string::npos) << "said twice";
        }
    }
    runAs_.clear();
}

TEST_P(LinuxCollector, EntriesArriveAsTextByteForByte) {
    TempFolder witness;
    const std::string touched = (witness.Path() / "ran").string();
    struct EntryCase {
        const char* what;
        const char* lang;
        std::vector<std::string> arguments;
        std::map<std::string, std::string> expected;
    };
    const std::vector<EntryCase> cases = {
        {"UTF-8 terminal",
         "C.UTF-8",
         // 张三, 财务部, "三楼 & 东侧=1+1%"
         {"--user", "\xe5\xbc\xa0\xe4\xb8\x89", "--dept", "\xe8\xb4\xa2\xe5\x8a\xa1\xe9\x83\xa8",
          "--tel=8001", "--note", "\xe4\xb8\x89\xe6\xa5\xbc & \xe4\xb8\x9c\xe4\xbe\xa7=1+1%"},
         {{"xipUserName", "\xD5\xC5\xC8\xFD"},
          {"bm", "\xB2\xC6\xCE\xF1\xB2\xBF"},
          {"dh", "8001"},
          {"bz", "\xC8\xFD\xC2\xA5 & \xB6\xAB\xB2\xE0=1+1%"}}},
        {"GBK terminal",
         "zh_CN.GBK",
         {"--user", "\xD5\xC5\xC8\xFD"},
         {{"xipUserName", "\xD5\xC5\xC8\xFD"}, {"bm", ""}}},
        {"shell syntax",
         "C.UTF-8",
         {"--user", "'; $(touch " + touched + ") \"", "--dept", "`touch " + touched + "`; exit 9",
          "--note", "a\nb $HOME \\n %41"},
         {{"xipUserName", "'; $(touch " + touched + ") \""},
          {"bm", "`touch " + touched + "`; exit 9"},
          {"bz", "a\nb $HOME \\n %41"}}},
    };
    for (const EntryCase& entry : cases) {
        SCOPED_TRACE(entry.what);
        StandInServer server(kThanks);
        std::vector<std::string> arguments = entry.arguments;
        const ProcessResult result =
            Run(Silent(server.Address(), arguments), kWithCurl, {}, "desktop", entry.lang);
        EXPECT_EQ(result.status, 0) << result.output;
        const std::string thanks =
            std::string(entry.lang) == "zh_CN.GBK" ? kThankYouGbk : kThankYouUtf8;
        EXPECT_NE(result.output.find(thanks), std::string::npos) << result.output;
        auto posted = PostedFields(server);
        for (const auto& [name, value] : entry.expected) {
            EXPECT_EQ(posted[name], value) << name;
        }
    }
    EXPECT_FALSE(fs::exists(touched)) << "a value was run as a command";
}

TEST_P(LinuxCollector, BadCommandLinesEndWithStatus2AndSendNothing) {
    StandInServer server(kThanks);
    const std::string at = server.Address();
    struct UsageCase {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<UsageCase> cases = {
        // "未知参数："
        {{"--silent", "--user", "x", "--server", at, "--colour"},
         "\xe6\x9c\xaa\xe7\x9f\xa5\xe5\x8f\x82\xe6\x95\xb0\xef\xbc\x9a--colour"},
        // "缺少参数值："
        {{"--silent", "--server", at, "--user"},
         "\xe7\xbc\xba\xe5\xb0\x91\xe5\x8f\x82\xe6\x95\xb0\xe5\x80\xbc\xef\xbc\x9a--user"},
        // "服务器地址无效："
        {{"--silent", "--user", "x", "--server", "pc;reboot"},
         "\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8\xe5\x9c\xb0\xe5\x9d\x80\xe6\x97\xa0\xe6\x95\x88\xef"
         "\xbc\x9apc;reboot"},
        {{"--silent", "--user", "x", "--server", "pc:65536"},
         "\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8\xe5\x9c\xb0\xe5\x9d\x80\xe6\x97\xa0\xe6\x95\x88"},
        // "需要 --user"
        {{"--silent", "--server", at}, "\xe9\x9c\x80\xe8\xa6\x81 --user"},
        // Without a terminal to ask on, the user must be given too.
        {{"--server", at}, "\xe9\x9c\x80\xe8\xa6\x81 --user"},
        // A copy that was not served keeps an empty marker: "不知道服务器地址"
        {{"--silent", "--user", "x"},
         "\xe4\xb8\x8d\xe7\x9f\xa5\xe9\x81\x93\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8\xe5\x9c\xb0\xe5"
         "\x9d\x80"},
        // An emoji has no code page 936 form: "GBK 无法表示"
        {{"--silent", "--server", at, "--user", "\xf0\x9f\x98\x80"},
         "GBK \xe6\x97\xa0\xe6\xb3\x95\xe8\xa1\xa8\xe7\xa4\xba"},
        // The page's limits, in characters: "最多 50 个字", "最多 30 个字"
        {{"--silent", "--server", at, "--user", std::string(51, 'a')},
         "\xe6\x9c\x80\xe5\xa4\x9a 50 \xe4\xb8\xaa\xe5\xad\x97"},
        {{"--silent", "--server", at, "--user", "x", "--tel", std::string(31, '1')},
         "\xe6\x9c\x80\xe5\xa4\x9a 30 \xe4\xb8\xaa\xe5\xad\x97"},
    };
    for (const UsageCase& usage : cases) {
        SCOPED_TRACE(usage.message);
        const ProcessResult result = Run(usage.arguments);
        EXPECT_EQ(result.status, 2) << result.output;
        EXPECT_NE(result.output.find(usage.message), std::string::npos) << result.output;
    }
    // Fifty double-byte characters are within the limit.
    std::string fifty;
    for (int i = 0; i < 50; ++i) {
        fifty += "\xe5\xbc\xa0";  // 张
    }
    EXPECT_EQ(Run(Silent(at, {"--user", fifty})).status, 0);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_P(LinuxCollector, EachOutcomeHasItsStatusAndMessage) {
    for (const char* program : {"curl", "wget", "busybox"}) {
        if (SystemProgram(program).empty()) {
            GTEST_SKIP() << program
                         << " is not installed (scripts/packages.sh --tests installs it)";
        }
    }
    TempFolder witness;
    const std::string touched = (witness.Path() / "ran").string();
    struct OutcomeCase {
        const char* what;
        std::vector<std::string> programs;  // beside kBasics
        std::string reply;                  // "-": nothing listens
        int status;
        std::string message;
    };
    // "服务器出错：", "服务器的回答无法识别：", "服务器没有回答。", "无法连接服务器 "
    const std::string failed =
        "\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8\xe5\x87\xba\xe9\x94\x99\xef\xbc\x9a";
    const std::string locked =
        "\xe6\x95\xb0\xe6\x8d\xae\xe5\xba\x93\xe5\xb7\xb2\xe9\x94\x81\xe5\xae\x9a";
    const std::string unknown =
        "\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8\xe7\x9a\x84\xe5\x9b\x9e\xe7\xad\x94\xe6\x97\xa0\xe6"
        "\xb3"
        "\x95\xe8\xaf\x86\xe5\x88\xab\xef\xbc\x9a";
    const std::string silent =
        "\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8\xe6\xb2\xa1\xe6\x9c\x89\xe5\x9b\x9e\xe7\xad\x94\xe3"
        "\x80"
        "\x82";
    const std::string unreachable =
        "\xe6\x97\xa0\xe6\xb3\x95\xe8\xbf\x9e\xe6\x8e\xa5\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8 ";
    const std::string hostile = "HTTP/1.1 500 Internal Server Error\r\n\r\n$(touch " + touched +
                                ")`touch " + touched + "`\x1b[2J";
    const std::vector<OutcomeCase> cases = {
        {"curl, thanked", {"curl"}, kThanks, 0, kThankYouUtf8},
        {"curl, server error", {"curl"}, kServerError, 4, failed + locked},
        {"curl, unknown answer", {"curl"}, "HTTP/1.1 200 OK\r\n\r\nhello", 4, unknown + "hello"},
        {"curl, no answer", {"curl"}, "", 4, silent},
        {"curl, hostile answer", {"curl"}, hostile, 4, failed + "$(touch " + touched + ")"},
        {"curl, nothing listens", {"curl"}, "-", 3, unreachable},
        {"GNU wget, thanked", {"wget"}, kThanks, 0, kThankYouUtf8},
        {"GNU wget, server error", {"wget"}, kServerError, 4, failed + locked},
        {"GNU wget, nothing listens", {"wget"}, "-", 3, unreachable},
        {"busybox wget, thanked", {"busybox"}, kThanks, 0, kThankYouUtf8},
        {"busybox wget, server error", {"busybox"}, kServerError, 4, failed + "HTTP 500"},
        {"busybox wget, nothing listens", {"busybox"}, "-", 3, unreachable},
        // "找不到 curl 或 wget"
        {"no program to send with",
         {},
         kThanks,
         3,
         "\xe6\x89\xbe\xe4\xb8\x8d\xe5\x88\xb0 curl \xe6\x88\x96 wget"},
    };
    for (const OutcomeCase& outcome : cases) {
        SCOPED_TRACE(outcome.what);
        std::vector<std::string> programs = kBasics;
        programs.insert(programs.end(), outcome.programs.begin(), outcome.programs.end());
        std::string address;
        std::vector<std::string> requests;
        ProcessResult result;
        if (outcome.reply == "-") {
            // A port that was just free.
            address = StandInServer("").Address();
            result = Run(Silent(address), programs);
        } else {
            StandInServer server(outcome.reply);
            address = server.Address();
            result = Run(Silent(address), programs);
            requests = server.Requests();
        }
        EXPECT_EQ(result.status, outcome.status) << result.output;
        EXPECT_NE(result.output.find(outcome.message), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find('\x1b'), std::string::npos) << "terminal control passed on";
        if (outcome.status == 0) {
            ASSERT_EQ(requests.size(), 1u);
            EXPECT_NE(requests[0].find("xipUserName=x&"), std::string::npos) << requests[0];
        }
        if (outcome.programs.empty()) {
            EXPECT_TRUE(requests.empty());
        }
    }
    EXPECT_FALSE(fs::exists(touched)) << "the server's answer was run";
}

// Whether any process's command line holds `text`.
bool OnSomeCommandLine(const std::string& text) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        // Read with plain calls: a process may end while it is read.
        const int fd = ::open((entry.path() / "cmdline").c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        std::string line;
        char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
            line.append(buffer, static_cast<std::size_t>(n));
        }
        ::close(fd);
        if (line.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// A server that sends its reply one byte every 300 ms: each sender ends at
// the script's deadline (shortened to 2 s here) with status 3, also GNU
// wget, whose own time-out is per read, and wget without timeout(1), which
// the script's watchdog stops. The form body is never on a command line
// and its private file is gone afterwards.
TEST_P(LinuxCollector, ASenderThatStallsEndsAtTheDeadline) {
    for (const char* program : {"curl", "wget", "busybox", "timeout"}) {
        if (SystemProgram(program).empty()) {
            GTEST_SKIP() << program
                         << " is not installed (scripts/packages.sh --tests installs it)";
        }
    }
    struct StallCase {
        const char* what;
        std::vector<std::string> programs;  // beside the basics
        bool withTimeout;
    };
    const std::vector<StallCase> cases = {
        {"curl", {"curl"}, false},
        {"GNU wget with timeout", {"wget"}, true},
        {"GNU wget without timeout", {"wget"}, false},
        {"busybox wget with timeout", {"busybox"}, true},
        {"busybox wget without timeout, nor mktemp", {"busybox"}, false},
    };
    const fs::path tmp = folder_.Path() / "tmp";
    fs::create_directories(tmp);
    for (const StallCase& stall : cases) {
        SCOPED_TRACE(stall.what);
        std::vector<std::string> programs;
        for (const std::string& name : kBasics) {
            if (name != "timeout" || stall.withTimeout) {
                if (name != "mktemp" || stall.withTimeout || stall.programs[0] != "busybox") {
                    programs.push_back(name);
                }
            }
        }
        programs.insert(programs.end(), stall.programs.begin(), stall.programs.end());
        StandInServer server(kThanks + std::string(200, ' '), std::chrono::milliseconds(300));
        std::atomic<bool> running{true};
        std::atomic<bool> seen{false};
        std::thread watcher([&] {
            while (running) {
                seen = seen || OnSomeCommandLine("xipUserName=");
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        const auto started = std::chrono::steady_clock::now();
        const ProcessResult result =
            Run(Silent(server.Address()), programs, {}, "desktop", "C.UTF-8", {},
                {"VANTREL_COLLECT_DEADLINE=2", "TMPDIR=" + tmp.string()});
        const auto took = std::chrono::steady_clock::now() - started;
        running = false;
        watcher.join();
        EXPECT_EQ(result.status, 3) << result.output;
        EXPECT_LT(took, std::chrono::seconds(15)) << result.output;
        EXPECT_EQ(server.Requests().size(), 1u);
        EXPECT_FALSE(seen) << "the form body was on a command line";
        EXPECT_TRUE(fs::is_empty(tmp)) << "the body file was left behind";
    }
}

TEST_P(LinuxCollector, AServedCopyReportsToItsServerAlsoReadFromAPipe) {
    StandInServer server(kThanks);
    std::string script = testsupport::ReadFile(script_);
    intake::PatchScriptMarker(script, server.Address());
    const fs::path served = folder_.Path() / "served.sh";
    std::ofstream(served, std::ios::binary) << script;

    // As `curl … | sh -s -- --silent --user x` runs it.
    std::vector<std::string> command = shell_;
    command.insert(command.end(), {"-s", "--", "--silent", "--user", "x"});
    const fs::path bin = MakeToolFolder(folder_.Path() / "bin",
                                        {"awk", "od", "iconv", "tr", "uname", "cat", "curl"});
    const ProcessResult result =
        RunProcess(command,
                   {"PATH=" + bin.string(), "LANG=C.UTF-8",
                    "VANTREL_COLLECT_ROOT=" + (DataDir() / "arm64").string()},
                   served);
    EXPECT_EQ(result.status, 0) << result.output;
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u) << result.output;
    EXPECT_NE(requests[0].find("\r\nHost: " + server.Address() + "\r\n"), std::string::npos)
        << requests[0];
}

// `curl … | sh`: the script comes on standard input, the answers from the
// terminal (here a pseudo-terminal that `script` makes and feeds).
TEST_P(LinuxCollector, PipedItAsksOnTheTerminal) {
    const std::string scriptTool = SystemProgram("script");
    if (scriptTool.empty()) {
        GTEST_SKIP() << "script (Debian package bsdutils) is not installed";
    }
    const fs::path bin = MakeToolFolder(folder_.Path() / "bin", kWithCurl);
    std::string pipeInto;
    for (const std::string& word : shell_) {
        pipeInto += word + " ";
    }
    struct Dialogue {
        const char* what;
        std::string answers;
        bool withServer;
        int status;
        std::string shown;  // UTF-8
        std::map<std::string, std::string> posted;
    };
    StandInServer server(kThanks);
    const std::vector<Dialogue> cases = {
        // An empty user name is asked again ("请填写使用者"); 张三, 财务部,
        // no telephone, 三楼.
        {"entries",
         "\n\xe5\xbc\xa0\xe4\xb8\x89\n\xe8\xb4\xa2\xe5\x8a\xa1\xe9\x83\xa8\n\n\xe4\xb8\x89\xe6\xa5"
         "\xbc\n",
         true,
         0,
         "\xe8\xaf\xb7\xe5\xa1\xab\xe5\x86\x99\xe4\xbd\xbf\xe7\x94\xa8\xe8\x80\x85",
         {{"xipUserName", "\xD5\xC5\xC8\xFD"},
          {"bm", "\xB2\xC6\xCE\xF1\xB2\xBF"},
          {"dh", ""},
          {"bz", "\xC8\xFD\xC2\xA5"}}},
        // A copy that was not served asks for the server until it is valid
        // ("服务器地址无效").
        {"server",
         "pc;reboot\n" + server.Address() + "\nx\n\n\n\n",
         false,
         0,
         "\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8\xe5\x9c\xb0\xe5\x9d\x80\xe6\x97\xa0\xe6\x95\x88",
         {{"xipUserName", "x"}}},
        // The input ends before the user name: "已取消，没有发送。"
        {"cancelled",
         "",
         true,
         1,
         "\xe5\xb7\xb2\xe5\x8f\x96\xe6\xb6\x88\xef\xbc\x8c\xe6\xb2\xa1\xe6\x9c\x89\xe5\x8f\x91\xe9"
         "\x80\x81",
         {}},
    };
    for (const Dialogue& dialogue : cases) {
        SCOPED_TRACE(dialogue.what);
        const std::size_t before = server.Requests().size();
        const fs::path answers = folder_.Path() / "answers.txt";
        std::ofstream(answers, std::ios::binary) << dialogue.answers;
        const std::string line = "cat " + script_.string() + " | " + pipeInto + "-s --" +
                                 (dialogue.withServer ? " --server " + server.Address() : "");
        const ProcessResult result =
            RunProcess({scriptTool, "-qec", line, "/dev/null"},
                       {"PATH=" + bin.string(), "LANG=C.UTF-8", "SHELL=/bin/sh",
                        "VANTREL_COLLECT_ROOT=" + (DataDir() / "laptop").string()},
                       answers);
        EXPECT_EQ(result.status, dialogue.status) << result.output;
        EXPECT_NE(result.output.find(dialogue.shown), std::string::npos) << result.output;
        const auto requests = server.Requests();
        if (dialogue.posted.empty()) {
            EXPECT_EQ(requests.size(), before);
            continue;
        }
        ASSERT_EQ(requests.size(), before + 1) << result.output;
        std::map<std::string, std::string> posted;
        for (const auto& [name, value] :
             DecodeForm(requests.back().substr(requests.back().find("\r\n\r\n") + 4))) {
            posted[name] = value;
        }
        for (const auto& [name, value] : dialogue.posted) {
            EXPECT_EQ(posted[name], value) << name;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shells, LinuxCollector, ::testing::Values("dash", "bash", "busybox"),
                         [](const auto& shell) { return std::string(shell.param); });

}  // namespace
}  // namespace vantrel::collector::test
