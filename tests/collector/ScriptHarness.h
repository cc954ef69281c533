#pragma once
// Runs vantrel-collect.sh as a Linux PC would, for tests: under a chosen
// shell, with only chosen programs on PATH, without a terminal, against a
// stand-in server on loopback that records what it is sent.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "LoopbackClient.h"

namespace vantrel::collector::test {

namespace fs = std::filesystem;

// A system program by name, "" when it is not installed.
inline std::string SystemProgram(const std::string& name) {
    for (const char* dir : {"/usr/bin", "/bin", "/usr/sbin", "/sbin"}) {
        const std::string path = std::string(dir) + "/" + name;
        if (::access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    return {};
}

struct ProcessResult {
    int status = -1;  // exit status, 128 + signal, -1 when the time ran out
    std::string output;
};

// Runs `argv` with exactly `env` as its environment, in a session of its
// own (so without a terminal), standard input from `input` (/dev/null when
// empty), standard output and error together.
inline ProcessResult RunProcess(const std::vector<std::string>& argv,
                                const std::vector<std::string>& env, const fs::path& input = {},
                                std::chrono::seconds timeout = std::chrono::seconds(90)) {
    std::vector<std::string> args = argv;
    std::vector<std::string> vars = env;
    std::vector<char*> argp;
    std::vector<char*> envp;
    for (auto& arg : args) {
        argp.push_back(arg.data());
    }
    for (auto& var : vars) {
        envp.push_back(var.data());
    }
    argp.push_back(nullptr);
    envp.push_back(nullptr);
    const std::string in = input.empty() ? std::string("/dev/null") : input.string();
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setsid();
        const int stdinFd = ::open(in.c_str(), O_RDONLY);
        if (stdinFd < 0) {
            ::_exit(126);
        }
        ::dup2(stdinFd, STDIN_FILENO);
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::dup2(pipeFds[1], STDERR_FILENO);
        ::execve(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    ProcessResult result;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool timedOut = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{pipeFds[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            timedOut = true;
            break;
        }
        char buffer[4096];
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        result.output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    if (timedOut) {
        ::kill(-pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!timedOut) {
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return result;
}

// A temporary folder; removed with everything in it.
class TempFolder {
  public:
    TempFolder() {
        char pattern[] = "/tmp/vantrel-script-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& Path() const { return path_; }

  private:
    fs::path path_;
};

// A folder to be the whole PATH: links to the named system programs (those
// installed) and copies of stand-in programs.
inline fs::path MakeToolFolder(const fs::path& folder, const std::vector<std::string>& programs,
                               const std::vector<fs::path>& standIns = {}) {
    fs::create_directories(folder);
    for (const std::string& name : programs) {
        const std::string found = SystemProgram(name);
        if (!found.empty()) {
            fs::create_symlink(found, folder / name);
        }
    }
    for (const fs::path& standIn : standIns) {
        fs::copy_file(standIn, folder / standIn.filename());
        fs::permissions(folder / standIn.filename(), fs::perms::owner_all);
    }
    return folder;
}

// An HTTP stand-in on 127.0.0.1 that records every request it is sent and
// answers each with `reply`; an empty reply closes without a word. With a
// `drip`, the reply goes one byte per drip, as a server that stalls.
class StandInServer {
  public:
    explicit StandInServer(std::string reply,
                           std::chrono::milliseconds drip = std::chrono::milliseconds(0))
        : reply_(std::move(reply)), drip_(drip) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            throw std::runtime_error("stand-in server cannot listen");
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~StandInServer() {
        stopping_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
    }
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
    std::vector<std::string> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

  private:
    void Serve() {
        for (;;) {
            const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) {
                return;
            }
            timeval limit{10, 0};
            ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            std::string request;
            char buffer[4096];
            while (!Complete(request)) {
                const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    break;
                }
                request.append(buffer, static_cast<std::size_t>(n));
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request);
            }
            if (drip_.count() == 0) {
                testsupport::Send(client, reply_);
            }
            for (std::size_t i = 0; drip_.count() > 0 && i < reply_.size() && !stopping_; ++i) {
                if (!testsupport::Send(client, reply_.substr(i, 1))) {
                    break;
                }
                std::this_thread::sleep_for(drip_);
            }
            ::close(client);
        }
    }

    // Headers ended and as much body as Content-Length says.
    static bool Complete(const std::string& request) {
        const std::size_t end = request.find("\r\n\r\n");
        if (end == std::string::npos) {
            return false;
        }
        std::string head = request.substr(0, end);
        for (char& c : head) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const std::size_t at = head.find("\r\ncontent-length:");
        const std::size_t length = at == std::string::npos ? 0 : std::stoul(head.substr(at + 17));
        return request.size() >= end + 4 + length;
    }

    std::string reply_;
    std::chrono::milliseconds drip_;
    std::atomic<bool> stopping_{false};
    int fd_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

// The name=value pairs of a form body, percent-decoded, in order.
inline std::vector<std::pair<std::string, std::string>> DecodeForm(const std::string& body) {
    auto decode = [](const std::string& text) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '%' && i + 2 < text.size()) {
                out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += text[i] == '+' ? ' ' : text[i];
            }
        }
        return out;
    };
    std::vector<std::pair<std::string, std::string>> fields;
    for (std::size_t start = 0; start < body.size();) {
        const std::size_t end = std::min(body.find('&', start), body.size());
        const std::string pair = body.substr(start, end - start);
        const std::size_t equals = std::min(pair.find('='), pair.size());
        fields.emplace_back(decode(pair.substr(0, equals)),
                            decode(pair.substr(std::min(equals + 1, pair.size()))));
        start = end + 1;
    }
    return fields;
}

// Tests of vantrel-collect.sh under the shell their parameter names (as
// "dash" or "busybox"), skipped where that shell is not installed.
class CollectorScriptTest : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override {
        const std::string name = GetParam();
        const std::string program = SystemProgram(name);
        if (program.empty()) {
            GTEST_SKIP() << name << " is not installed (Debian package " << name << ")";
        }
        shell_ = {program};
        if (name == "busybox") {
            shell_.push_back("sh");
        }
        script_ = fs::path(std::getenv("VANTREL_BIN_DIR")) / "vantrel-collect.sh";
        ASSERT_TRUE(fs::exists(script_)) << script_;
    }

    std::vector<std::string> shell_;  // the shell's command words
    fs::path script_;
};

}  // namespace vantrel::collector::test
