#pragma once
// A loopback of the test's own: a thread that has left for a new network
// namespace, where only its loopback exists, and a slow lane on it for one
// UDP port, so that datagrams to that port queue below their sender's
// socket as they do on a real link; or a silent on-link subnet there, where
// they wait for neighbours that never answer. Needs root (or CAP_NET_ADMIN),
// tc and ip.

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <exception>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace vantrel::scan::test {

// Runs the tool with the arguments, at most 10 seconds; its exit status,
// -1 when it could not run or took too long.
inline int RunTool(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    if (child < 0) {
        return -1;
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs `work` on a thread in a network namespace of its own with its
// loopback up; sockets made there belong to it. "" when it ran, else why
// not. Rethrows what `work` throws.
inline std::string RunOnPrivateLoopback(const std::function<void()>& work) {
    std::string why;
    std::exception_ptr failure;
    std::thread thread([&] {
        if (::unshare(CLONE_NEWNET) != 0) {
            why = "cannot make a network namespace (needs root)";
            return;
        }
        if (RunTool({"/usr/sbin/ip", "link", "set", "lo", "up"}) != 0) {
            why = "cannot bring up the namespace's loopback";
            return;
        }
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    thread.join();
    if (failure) {
        std::rethrow_exception(failure);
    }
    return why;
}

// On the calling thread's (private) loopback: datagrams to UDP port `port`
// leave at `rate` (tc's notation, "400kbit"), queued in the meantime;
// everything else goes at once. False when tc cannot set it up.
inline bool SlowLaneFor(std::uint16_t port, const std::string& rate) {
    const std::string tc = "/usr/sbin/tc";
    const std::vector<std::vector<std::string>> steps = {
        {tc, "qdisc", "add", "dev", "lo", "root", "handle", "1:", "htb", "default", "20"},
        {tc, "class", "add", "dev", "lo", "parent", "1:", "classid", "1:10", "htb", "rate", rate,
         "ceil", rate},
        {tc, "class", "add", "dev", "lo", "parent", "1:", "classid", "1:20", "htb", "rate",
         "10gbit"},
        {tc, "filter", "add", "dev", "lo", "parent", "1:", "protocol", "ip", "prio", "1", "u32",
         "match", "ip", "dport", std::to_string(port), "0xffff", "flowid", "1:10"},
    };
    for (const auto& step : steps) {
        if (RunTool(step) != 0) {
            return false;
        }
    }
    return true;
}

// Writes `value` to a kernel setting; sockets and settings of /proc/sys/net
// are those of the calling thread's network namespace.
inline bool SetKernelValue(const std::string& path, const std::string& value) {
    std::ofstream out(path);
    out << value << '\n';
    out.flush();
    return static_cast<bool>(out);
}

// On the calling thread's (private) namespace: a veth pair whose end
// `device` holds `cidr` ("10.77.80.1/20") and whose other end has no
// address, so that every other address of the subnet is on-link and
// silent: datagrams to it wait for a neighbour resolution that fails. The
// kernel's default neighbour settings are set on `device` explicitly (3
// probes 1 s apart, 212,992 bytes queued per neighbour), so that the host's
// own tuning cannot change the outcome. False when it cannot be set up.
inline bool SilentOnLinkSegment(const std::string& device, const std::string& cidr) {
    const std::string ip = "/usr/sbin/ip";
    const std::string peer = device + "p";
    const std::vector<std::vector<std::string>> steps = {
        {ip, "link", "add", device, "type", "veth", "peer", "name", peer},
        {ip, "addr", "add", cidr, "dev", device},
        {ip, "link", "set", device, "up"},
        {ip, "link", "set", peer, "up"},
    };
    for (const auto& step : steps) {
        if (RunTool(step) != 0) {
            return false;
        }
    }
    const std::string neigh = "/proc/sys/net/ipv4/neigh/" + device + "/";
    return SetKernelValue(neigh + "mcast_solicit", "3") &&
           SetKernelValue(neigh + "ucast_solicit", "3") &&
           SetKernelValue(neigh + "app_solicit", "0") &&
           SetKernelValue(neigh + "retrans_time_ms", "1000") &&
           SetKernelValue(neigh + "unres_qlen_bytes", "212992");
}

}  // namespace vantrel::scan::test
