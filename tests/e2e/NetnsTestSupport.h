#pragma once
// Two network namespaces joined by a veth pair, for tests that run the
// program on one "PC" and a client on another. Addresses live in a private
// /30 inside the namespaces only, so no test traffic can leave them. Also:
// commands run with a time limit, and code run on a thread that has entered
// a namespace.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace vantrel::e2e {

struct CommandResult {
    int status = -1;  // exit status; 128 + signal; -1 when the time ran out
    std::string output;
};

// Starts `argv` in its own process group with stdout and stderr to `log`.
inline pid_t SpawnLogged(const std::vector<std::string>& argv, const std::filesystem::path& log,
                         const std::vector<std::string>& extraEnv = {},
                         const std::filesystem::path& workDir = {}) {
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        env.emplace_back(*entry);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (auto& entry : env) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (auto& arg : args) {
        argp.push_back(arg.data());
    }
    argp.push_back(nullptr);
    const std::string dir = workDir.string();
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0) {
        throw std::runtime_error("cannot create " + log.string());
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
        const int null = ::open("/dev/null", O_RDONLY);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
        }
        if (!dir.empty() && ::chdir(dir.c_str()) != 0) {
            ::_exit(126);
        }
        ::execvpe(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }
    ::close(out);
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    ::setpgid(pid, pid);
    return pid;
}

// Waits for `pid` up to `timeout`; on expiry kills its whole group.
inline int WaitOrKill(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (done < 0 || std::chrono::steady_clock::now() > deadline) {
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

inline CommandResult RunCommand(const std::vector<std::string>& argv,
                                std::chrono::milliseconds timeout,
                                const std::vector<std::string>& extraEnv = {}) {
    char pattern[] = "/tmp/vantrel-cmd-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd < 0) {
        throw std::runtime_error("mkstemp failed");
    }
    ::close(fd);
    CommandResult result;
    try {
        result.status = WaitOrKill(SpawnLogged(argv, pattern, extraEnv), timeout);
    } catch (...) {
        ::unlink(pattern);
        throw;
    }
    std::ifstream in(pattern, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    result.output = text.str();
    ::unlink(pattern);
    return result;
}

// Runs `work` on a thread that has entered the network namespace `name`:
// the sockets it makes belong there. Rethrows what `work` throws.
inline void RunInNamespace(const std::string& name, const std::function<void()>& work) {
    std::exception_ptr failure;
    std::thread thread([&] {
        try {
            const int fd = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
                if (fd >= 0) {
                    ::close(fd);
                }
                throw std::runtime_error("cannot enter network namespace " + name);
            }
            ::close(fd);
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    thread.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

// Whether a TCP connection made in the network namespace `name` reaches
// address:port.
inline bool Reachable(const std::string& name, const char* address, std::uint16_t port) {
    bool up = false;
    RunInNamespace(name, [&] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in peer{};
        peer.sin_family = AF_INET;
        peer.sin_port = htons(port);
        ::inet_pton(AF_INET, address, &peer.sin_addr);
        up = ::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
        ::close(fd);
    });
    return up;
}

// The iproute2 program, also where PATH lacks the sbin folders.
inline std::string IpTool() {
    for (const char* path : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip"}) {
        if (::access(path, X_OK) == 0) {
            return path;
        }
    }
    return "ip";
}

// Namespaces "server" and "client" of this test process, the veth pair
// between them, 10.213.91.1/30 on the server's end and .2 on the client's.
// Deleted in the destructor; deleting a namespace removes its veth end.
class NamespacePair {
  public:
    static constexpr const char* kServerAddress = "10.213.91.1";
    static constexpr const char* kClientAddress = "10.213.91.2";

    NamespacePair() {
        RemoveLeftovers();
        const std::string id = std::to_string(::getpid());
        server_ = "vtcS" + id;
        client_ = "vtcC" + id;
        serverLink_ = "vtcs" + id;
        clientLink_ = "vtcc" + id;
        const std::vector<std::vector<std::string>> steps = {
            {IpTool(), "netns", "add", server_},
            {IpTool(), "netns", "add", client_},
            {IpTool(), "link", "add", serverLink_, "type", "veth", "peer", "name", clientLink_},
            {IpTool(), "link", "set", serverLink_, "netns", server_},
            {IpTool(), "link", "set", clientLink_, "netns", client_},
            {IpTool(), "-n", server_, "addr", "add", std::string(kServerAddress) + "/30", "dev",
             serverLink_},
            {IpTool(), "-n", client_, "addr", "add", std::string(kClientAddress) + "/30", "dev",
             clientLink_},
            {IpTool(), "-n", server_, "link", "set", "lo", "up"},
            {IpTool(), "-n", client_, "link", "set", "lo", "up"},
            {IpTool(), "-n", server_, "link", "set", serverLink_, "up"},
            {IpTool(), "-n", client_, "link", "set", clientLink_, "up"},
        };
        for (const auto& step : steps) {
            const CommandResult result = RunCommand(step, std::chrono::seconds(20));
            if (result.status != 0) {
                Remove();
                throw std::runtime_error("'" + Join(step) + "' failed: " + result.output);
            }
        }
    }
    ~NamespacePair() { Remove(); }
    NamespacePair(const NamespacePair&) = delete;
    NamespacePair& operator=(const NamespacePair&) = delete;

    const std::string& Server() const { return server_; }
    const std::string& Client() const { return client_; }

    // The client end's MAC, in upper case as the report carries it.
    std::string ClientMac() const {
        const CommandResult result = RunCommand(
            {IpTool(), "-n", client_, "-o", "link", "show", clientLink_}, std::chrono::seconds(20));
        const std::size_t at = result.output.find("link/ether ");
        if (at == std::string::npos) {
            throw std::runtime_error("no MAC for " + clientLink_ + ": " + result.output);
        }
        std::string mac = result.output.substr(at + 11, 17);
        for (char& c : mac) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return mac;
    }

  private:
    static std::string Join(const std::vector<std::string>& words) {
        std::string text;
        for (const auto& word : words) {
            text += (text.empty() ? "" : " ") + word;
        }
        return text;
    }

    // Namespaces of test runs that were killed before their tear-down: the
    // process whose id they carry is gone.
    static void RemoveLeftovers() {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/run/netns", error)) {
            const std::string name = entry.path().filename().string();
            if (name.size() <= 4 || (name.rfind("vtcS", 0) != 0 && name.rfind("vtcC", 0) != 0) ||
                name.find_first_not_of("0123456789", 4) != std::string::npos) {
                continue;
            }
            const pid_t owner = static_cast<pid_t>(std::stol(name.substr(4)));
            if (::kill(owner, 0) != 0 && errno == ESRCH) {
                RunCommand({IpTool(), "netns", "del", name}, std::chrono::seconds(20));
            }
        }
    }

    void Remove() {
        // Each step may fail when set-up stopped early; all are tried.
        RunCommand({IpTool(), "link", "del", serverLink_}, std::chrono::seconds(20));
        RunCommand({IpTool(), "netns", "del", server_}, std::chrono::seconds(20));
        RunCommand({IpTool(), "netns", "del", client_}, std::chrono::seconds(20));
    }

    std::string server_;
    std::string client_;
    std::string serverLink_;
    std::string clientLink_;
};

}  // namespace vantrel::e2e
