// vantrel-collect.sh as staff run it on a Linux PC: the one pasted line
// (curl or wget piped into dash, bash or busybox sh) in one network
// namespace, the real program in another, joined by a veth pair. The row
// stored must hold this machine's CPU, memory, OS and the veth's MAC.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
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
using vantrel::e2e::IpTool;
using vantrel::e2e::NamespacePair;
using vantrel::e2e::ReadFile;
using vantrel::e2e::RunCommand;
using vantrel::e2e::TextRows;

// "谢谢提供硬件信息！再见" as the script shows it in UTF-8; "无法连接服务器"
const std::string kThankYou =
    "\xe8\xb0\xa2\xe8\xb0\xa2\xe6\x8f\x90\xe4\xbe\x9b\xe7\xa1\xac\xe4\xbb\xb6\xe4\xbf\xa1\xe6\x81"
    "\xaf\xef\xbc\x81\xe5\x86\x8d\xe8\xa7\x81";
const std::string kUnreachable =
    "\xe6\x97\xa0\xe6\xb3\x95\xe8\xbf\x9e\xe6\x8e\xa5\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8";
// " 个逻辑处理器)" ends the CPU text.
const std::string kLogical = " \xB8\xF6\xC2\xDF\xBC\xAD\xB4\xA6\xC0\xED\xC6\xF7)";

std::string Program(const char* name) {
    for (const char* dir : {"/usr/bin/", "/bin/"}) {
        if (::access((std::string(dir) + name).c_str(), X_OK) == 0) {
            return std::string(dir) + name;
        }
    }
    return {};
}

// This machine's facts as /proc and /etc tell them: the first model name
// with blanks collapsed, the processor count, MemTotal in bytes, and
// PRETTY_NAME.
struct MachineFacts {
    std::string cpuModel;
    int processors = 0;
    double memTotal = 0;
    std::string prettyName;
};

std::string Collapsed(const std::string& text) {
    std::string out;
    for (char c : text) {
        const bool blank = c == ' ' || c == '\t';
        if (!blank) {
            out += c;
        } else if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

MachineFacts ReadMachineFacts() {
    MachineFacts facts;
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("processor", 0) == 0) {
            ++facts.processors;
        } else if (line.rfind("model name", 0) == 0 && facts.cpuModel.empty()) {
            facts.cpuModel = Collapsed(line.substr(line.find(':') + 1));
        }
    }
    std::ifstream meminfo("/proc/meminfo");
    for (std::string name; meminfo >> name;) {
        double kb = 0;
        meminfo >> kb;
        if (name == "MemTotal:") {
            facts.memTotal = kb * 1024.0;
        }
        meminfo.ignore(256, '\n');
    }
    std::ifstream release("/etc/os-release");
    for (std::string line; std::getline(release, line);) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) {
            facts.prettyName = line.substr(12);
            if (facts.prettyName.size() >= 2 && facts.prettyName.front() == '"') {
                facts.prettyName = facts.prettyName.substr(1, facts.prettyName.size() - 2);
            }
        }
    }
    return facts;
}

// "15.9 GB" or "512 MB" in bytes.
double SizeBytes(const std::string& text) {
    const double number = std::atof(text.c_str());
    return number * (text.find(" GB") != std::string::npos ? 1024.0 * 1024 * 1024 : 1024.0 * 1024);
}

class CollectorScriptInNamespaces : public vantrel::e2e::NamespaceServer {
  protected:
    const char* CollectorFile() const override { return "vantrel-collect.sh"; }
    std::string MissingTool() const override {
        for (const char* needed : {"dash", "bash", "busybox", "curl", "wget"}) {
            if (Program(needed).empty()) {
                return std::string(needed) + " is not installed (scripts/packages.sh --tests)";
            }
        }
        return {};
    }

    // The pasted line in the client namespace, run by `shell` (a program
    // and its first arguments), with `arguments` after "sh -s --".
    CommandResult Paste(const std::vector<std::string>& shell, const std::string& fetch,
                        const std::vector<std::string>& arguments) {
        std::string pipeInto;
        for (const std::string& word : shell) {
            pipeInto += word + " ";
        }
        const std::string line = fetch + " http://" + NamespacePair::kServerAddress +
                                 ":8899/vantrel-collect.sh | " + pipeInto + "-s -- \"$@\"";
        std::vector<std::string> command = {IpTool(),
                                            "netns",
                                            "exec",
                                            namespaces_->Client(),
                                            "env",
                                            "-i",
                                            "PATH=/usr/bin:/bin:/usr/sbin:/sbin",
                                            "LANG=C.UTF-8",
                                            "HOME=" + folder_.string()};
        command.insert(command.end(), shell.begin(), shell.end());
        command.insert(command.end(), {"-c", line, "pasted"});
        command.insert(command.end(), arguments.begin(), arguments.end());
        return RunCommand(command, 120s);
    }
};

TEST_F(CollectorScriptInNamespaces, ThePastedLineReportsThisMachineUnderEachShell) {
    const MachineFacts machine = ReadMachineFacts();
    // 张三 typed in UTF-8 arrives as the GBK bytes D5 C5 C8 FD; shell syntax
    // arrives as text (were it run, ~ would be the test's folder).
    const std::string gbkUser = "\xe5\xbc\xa0\xe4\xb8\x89";
    const std::string hostile = "'; $(touch ~/ran) `touch ~/ran` \"";
    const fs::path touched = folder_ / "ran";
    struct PasteCase {
        std::vector<std::string> shell;
        const char* fetch;
        std::string user;
        std::string stored;
    };
    const std::vector<PasteCase> cases = {
        {{Program("dash")}, "curl -fsS --max-time 60", gbkUser, "\xD5\xC5\xC8\xFD"},
        {{Program("dash")}, "curl -fsS --max-time 60", hostile, hostile},
        {{Program("bash")}, "curl -fsS --max-time 60", gbkUser, "\xD5\xC5\xC8\xFD"},
        {{Program("bash")}, "curl -fsS --max-time 60", hostile, hostile},
        {{Program("busybox"), "sh"}, "curl -fsS --max-time 60", gbkUser, "\xD5\xC5\xC8\xFD"},
        {{Program("busybox"), "sh"}, "curl -fsS --max-time 60", hostile, hostile},
        {{Program("dash")}, "wget -qO- -T 30", gbkUser, "\xD5\xC5\xC8\xFD"},
    };
    for (const PasteCase& paste : cases) {
        SCOPED_TRACE(paste.shell[0] + " | " + paste.fetch + " | " + paste.user);
        const CommandResult sent =
            Paste(paste.shell, paste.fetch, {"--silent", "--user", paste.user, "--dept", "IT"});
        ASSERT_EQ(sent.status, 0) << sent.output;
        EXPECT_NE(sent.output.find(kThankYou), std::string::npos) << sent.output;

        // The same PC each time: its one row is overwritten.
        const auto rows =
            TextRows(Database(), "select username, cpu, rammax, rammin, os, mac, ip, bm from ip");
        ASSERT_EQ(rows.size(), 1u) << sent.output;
        const auto& row = rows[0];
        EXPECT_EQ(row[0], paste.stored);
        if (!machine.cpuModel.empty()) {
            EXPECT_EQ(row[1].rfind(machine.cpuModel + " (", 0), 0u) << row[1];
        }
        EXPECT_EQ(row[1].substr(row[1].rfind('(') + 1),
                  std::to_string(machine.processors) + kLogical);
        EXPECT_LT(std::fabs(SizeBytes(row[2]) - machine.memTotal), machine.memTotal * 0.01)
            << row[2];
        EXPECT_LE(SizeBytes(row[3]), SizeBytes(row[2])) << row[3];
        EXPECT_EQ(row[4].rfind(machine.prettyName + " ", 0), 0u) << row[4];
        EXPECT_EQ(row[5], namespaces_->ClientMac());
        EXPECT_EQ(row[6], NamespacePair::kClientAddress);
        EXPECT_EQ(row[7], "IT");
    }
    EXPECT_FALSE(fs::exists(touched)) << "a user name was run as a command";

    // Nothing listens on 8898: a clear message, status 3, no new row.
    const CommandResult refused = Paste({Program("dash")}, "curl -fsS --max-time 60",
                                        {"--silent", "--user", "x", "--server",
                                         std::string(NamespacePair::kServerAddress) + ":8898"});
    EXPECT_EQ(refused.status, 3) << refused.output;
    EXPECT_NE(refused.output.find(kUnreachable), std::string::npos) << refused.output;
    EXPECT_EQ(TextRows(Database(), "select mac from ip").size(), 1u);
}

}  // namespace
