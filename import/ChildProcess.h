#pragma once
// A program run as a child process under limits, for parsers of untrusted
// files in C libraries: a hang, a crash or a runaway allocation ends the
// child, never this program. The child's standard output is read through
// Read(); its standard error is drained all the while into a capped buffer
// whose first and last lines are kept for a message. The child gets no
// descriptor of ours but the two pipes, and dies with the thread that
// started it. Whatever happens, the destructor kills and reaps it.

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::import {

class ChildProcess {
  public:
    struct Limits {
        // Address space (setrlimit), and resident size checked from outside.
        std::size_t memoryBytes = std::size_t{1} << 30;
        // From the start to the end, reading included.
        std::chrono::milliseconds time{10000};
        // Standard error kept: this much from the start, a little of the end.
        std::size_t errorBytes = 4096;
    };

    // How the child ended, when it did not end well.
    class Failure : public std::runtime_error {
      public:
        enum class Kind {
            TimedOut,     // killed when the time limit passed
            OverMemory,   // killed when its resident size passed the limit
            Signalled,    // ended by a signal of its own (a crash, an abort)
            ExitStatus,   // exited with a status other than 0
            OutputEnded,  // its output ended in the middle of a read
            BadOutput,    // its output is not what was agreed (the caller's finding)
        };
        Failure(Kind kind, int detail, const std::string& message, std::string errorText)
            : std::runtime_error(message),
              kind_(kind),
              detail_(detail),
              errorText_(std::move(errorText)) {}
        Kind kind() const { return kind_; }
        // The signal or exit status, where there is one.
        int detail() const { return detail_; }
        // ErrorText() when it failed.
        const std::string& errorText() const { return errorText_; }

      private:
        Kind kind_;
        int detail_;
        std::string errorText_;
    };

    // Starts `program` with `arguments` (argv[1] on). Throws
    // std::system_error when the pipes or the process cannot be made; a
    // program that cannot be executed exits with 127.
    ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
                 const Limits& limits);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Fills `buffer` with the next `size` bytes of the child's output.
    // False when the output ended before the first of them; throws Failure
    // when it ends within them or a limit passes (the child is killed).
    bool Read(char* buffer, std::size_t size);

    // Waits for the child to end, within the time limit, and throws Failure
    // unless it exited with 0.
    void Finish();

    // The kept start of standard error, and its last line when more came
    // than was kept; printable ASCII, other bytes as '?'.
    std::string ErrorText() const;

    // The time limit's length, for messages.
    std::chrono::milliseconds TimeLimit() const { return limits_.time; }

  private:
    // Waits a moment for output (when `wantOutput`) or standard error;
    // drains standard error and checks the limits, killing the child when
    // one passes. True when output can be read without waiting.
    bool Poll(bool wantOutput);
    void DrainErrors();
    void CheckMemory();
    [[noreturn]] void KillFor(Failure::Kind kind);
    // Throws unless `status` says it exited with 0.
    void ThrowForStatus(int status);
    void Reap();

    Limits limits_;
    std::chrono::steady_clock::time_point deadline_;
    std::chrono::steady_clock::time_point nextMemoryCheck_;
    pid_t pid_ = -1;
    int output_ = -1;
    int errors_ = -1;
    std::vector<char> buffer_;
    std::size_t bufferStart_ = 0;
    std::size_t bufferEnd_ = 0;
    std::string errorHead_;
    std::string errorTail_;
    std::size_t errorTotal_ = 0;
};

}  // namespace vantrel::import
