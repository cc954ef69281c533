#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

// AddressSanitizer reserves terabytes of address space for its shadow, so
// an address-space limit would stop the child before main(). Such builds
// (the test builds) leave it out and rely on the resident-size check and
// the time limit.
#if defined(__SANITIZE_ADDRESS__)
#define VANTREL_CHILD_ADDRESS_LIMIT 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTREL_CHILD_ADDRESS_LIMIT 0
#endif
#endif
#ifndef VANTREL_CHILD_ADDRESS_LIMIT
#define VANTREL_CHILD_ADDRESS_LIMIT 1
#endif

namespace vantrel::import {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr std::size_t kTailBytes = 256;
// How often the child's resident size is looked at.
constexpr std::chrono::milliseconds kMemoryCheckEvery{50};
// A bigger pipe lets the child read ahead while this side writes.
constexpr int kPipeBytes = 1024 * 1024;

[[noreturn]] void ThrowErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void CloseIfOpen(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// In the child, between fork and exec: only async-signal-safe calls.
[[noreturn]] void BecomeChild(const char* program, char* const* argv, int input, int output,
                              int errors, const ChildProcess::Limits& limits, pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(127);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (::dup2(input, STDIN_FILENO) < 0 || ::dup2(output, STDOUT_FILENO) < 0 ||
        ::dup2(errors, STDERR_FILENO) < 0) {
        ::_exit(127);
    }
    ::close_range(3, ~0U, 0);
    struct rlimit limit {};
#if VANTREL_CHILD_ADDRESS_LIMIT
    limit.rlim_cur = limit.rlim_max = limits.memoryBytes;
    ::setrlimit(RLIMIT_AS, &limit);
#endif
    // Processor time as a second bound, should this side stop watching.
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limits.time).count();
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(seconds + 2);
    ::setrlimit(RLIMIT_CPU, &limit);
    limit.rlim_cur = limit.rlim_max = 0;
    ::setrlimit(RLIMIT_CORE, &limit);
    ::execv(program, argv);
    ::_exit(127);
}

std::string Printable(const std::string& bytes) {
    std::string text = bytes;
    for (char& c : text) {
        if ((c < 0x20 || c > 0x7E) && c != '\n') {
            c = '?';
        }
    }
    return text;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                           const Limits& limits)
    : limits_(limits), buffer_(kReadChunk) {
    std::vector<std::string> strings{program};
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& s : strings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);

    int outputPipe[2] = {-1, -1};
    int errorPipe[2] = {-1, -1};
    const int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (input < 0) {
        ThrowErrno("/dev/null");
    }
    if (::pipe2(outputPipe, O_CLOEXEC) != 0 || ::pipe2(errorPipe, O_CLOEXEC) != 0) {
        const int saved = errno;
        ::close(input);
        for (int fd : {outputPipe[0], outputPipe[1], errorPipe[0], errorPipe[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        errno = saved;
        ThrowErrno("pipe");
    }
    ::fcntl(outputPipe[0], F_SETPIPE_SZ, kPipeBytes);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        BecomeChild(argv[0], argv.data(), input, outputPipe[1], errorPipe[1], limits_, parent);
    }
    const int saved = errno;
    ::close(input);
    ::close(outputPipe[1]);
    ::close(errorPipe[1]);
    output_ = outputPipe[0];
    errors_ = errorPipe[0];
    if (pid < 0) {
        CloseIfOpen(output_);
        CloseIfOpen(errors_);
        errno = saved;
        ThrowErrno("fork");
    }
    pid_ = pid;
    deadline_ = Clock::now() + limits_.time;
    nextMemoryCheck_ = Clock::now() + kMemoryCheckEvery;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        Reap();
    }
    CloseIfOpen(output_);
    CloseIfOpen(errors_);
}

void ChildProcess::Reap() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

void ChildProcess::KillFor(Failure::Kind kind) {
    ::kill(pid_, SIGKILL);
    Reap();
    const char* what = kind == Failure::Kind::TimedOut ? "the child ran past its time limit"
                                                       : "the child passed its memory limit";
    throw Failure(kind, 0, what, ErrorText());
}

void ChildProcess::ThrowForStatus(int status) {
    if (WIFSIGNALED(status)) {
        // The processor-time limit ends it with SIGXCPU or SIGKILL.
        if (WTERMSIG(status) == SIGXCPU) {
            throw Failure(Failure::Kind::TimedOut, 0, "the child ran past its time limit",
                          ErrorText());
        }
        throw Failure(Failure::Kind::Signalled, WTERMSIG(status),
                      "the child ended with signal " + std::to_string(WTERMSIG(status)),
                      ErrorText());
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
        throw Failure(Failure::Kind::ExitStatus, WEXITSTATUS(status),
                      "the child exited with " + std::to_string(WEXITSTATUS(status)), ErrorText());
    }
}

void ChildProcess::DrainErrors() {
    char chunk[4096];
    const ssize_t got = ::read(errors_, chunk, sizeof chunk);
    if (got <= 0) {
        if (got == 0 || errno != EINTR) {
            CloseIfOpen(errors_);
        }
        return;
    }
    const auto size = static_cast<std::size_t>(got);
    errorTotal_ += size;
    const std::size_t room = limits_.errorBytes - std::min(limits_.errorBytes, errorHead_.size());
    errorHead_.append(chunk, std::min(room, size));
    if (size > room) {
        errorTail_.append(chunk + room, size - room);
        if (errorTail_.size() > kTailBytes) {
            errorTail_.erase(0, errorTail_.size() - kTailBytes);
        }
    }
}

void ChildProcess::CheckMemory() {
    const auto now = Clock::now();
    if (now < nextMemoryCheck_) {
        return;
    }
    nextMemoryCheck_ = now + kMemoryCheckEvery;
    // statm: sizes in pages; the second is the resident size.
    std::ifstream statm("/proc/" + std::to_string(pid_) + "/statm");
    unsigned long long size = 0;
    unsigned long long resident = 0;
    if (statm >> size >> resident &&
        resident * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE)) > limits_.memoryBytes) {
        KillFor(Failure::Kind::OverMemory);
    }
}

bool ChildProcess::Poll(bool wantOutput) {
    struct pollfd fds[2] = {{wantOutput ? output_ : -1, POLLIN, 0}, {errors_, POLLIN, 0}};
    const auto now = Clock::now();
    if (now >= deadline_) {
        KillFor(Failure::Kind::TimedOut);
    }
    const auto wait = std::min(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   deadline_ - now + std::chrono::milliseconds(1)),
                               kMemoryCheckEvery);
    const int ready = ::poll(fds, 2, static_cast<int>(wait.count()));
    if (ready < 0 && errno != EINTR) {
        ThrowErrno("poll");
    }
    if (ready > 0 && fds[1].revents != 0) {
        DrainErrors();
    }
    CheckMemory();
    return ready > 0 && fds[0].revents != 0;
}

bool ChildProcess::Read(char* buffer, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        if (bufferStart_ < bufferEnd_) {
            const std::size_t take = std::min(size - done, bufferEnd_ - bufferStart_);
            std::memcpy(buffer + done, buffer_.data() + bufferStart_, take);
            bufferStart_ += take;
            done += take;
            continue;
        }
        if (output_ < 0) {
            break;
        }
        if (!Poll(true)) {
            continue;
        }
        const ssize_t got = ::read(output_, buffer_.data(), buffer_.size());
        if (got > 0) {
            bufferStart_ = 0;
            bufferEnd_ = static_cast<std::size_t>(got);
        } else if (got == 0) {
            CloseIfOpen(output_);
        } else if (errno != EAGAIN && errno != EINTR) {
            ThrowErrno("read");
        }
    }
    if (done == size) {
        return true;
    }
    if (done == 0) {
        return false;
    }
    // The output ended early: how the child ended says more.
    Finish();
    throw Failure(Failure::Kind::OutputEnded, 0, "the child's output ended in the middle",
                  ErrorText());
}

void ChildProcess::Finish() {
    if (pid_ < 0) {
        return;
    }
    CloseIfOpen(output_);
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            while (errors_ >= 0) {
                DrainErrors();
            }
            ThrowForStatus(status);
            return;
        }
        if (done < 0 && errno != EINTR) {
            ThrowErrno("waitpid");
        }
        Poll(false);
    }
}

std::string ChildProcess::ErrorText() const {
    std::string text = Printable(errorHead_);
    if (errorTotal_ > errorHead_.size()) {
        std::string tail = errorTail_;
        while (!tail.empty() && tail.back() == '\n') {
            tail.pop_back();
        }
        const std::string::size_type lineStart = tail.rfind('\n');
        text += "\n[... " + std::to_string(errorTotal_ - errorHead_.size()) + " bytes ...]\n" +
                Printable(lineStart == std::string::npos ? tail : tail.substr(lineStart + 1));
    }
    return text;
}

}  // namespace vantrel::import
