// A child process under limits: what it writes comes through whole, and a
// child that runs too long, takes too much memory, crashes, cannot start
// or floods its standard error ends as a Failure of its kind, killed and
// reaped, within its limits.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <string>

#include "ChildProcess.h"

namespace vantrel::import {
namespace {

using Clock = std::chrono::steady_clock;
using Kind = ChildProcess::Failure::Kind;

ChildProcess::Limits Limits(std::chrono::milliseconds time, std::size_t memory = 1u << 30) {
    ChildProcess::Limits limits;
    limits.time = time;
    limits.memoryBytes = memory;
    limits.errorBytes = 1024;
    return limits;
}

// Reads the child's whole output and lets it end.
std::string RunShell(const std::string& script, const ChildProcess::Limits& limits,
                     std::string* errorText = nullptr) {
    ChildProcess child("/bin/sh", {"-c", script}, limits);
    std::string output;
    char byte = 0;
    while (child.Read(&byte, 1)) {
        output += byte;
    }
    child.Finish();
    if (errorText != nullptr) {
        *errorText = child.ErrorText();
    }
    return output;
}

TEST(ChildProcess, OutputComesWholeAndStandardErrorIsCapped) {
    std::string errors;
    // 1 MB of warnings on standard error while writing: neither side waits.
    const std::string output = RunShell(
        "echo first warning >&2; yes 'Warning: again' | head -n 70000 >&2; "
        "printf 'rows'; echo last warning >&2",
        Limits(std::chrono::seconds(20)), &errors);
    EXPECT_EQ(output, "rows");
    EXPECT_EQ(errors.rfind("first warning\n", 0), 0u) << errors;
    EXPECT_LT(errors.size(), 1500u);
    EXPECT_NE(errors.find("\nlast warning"), std::string::npos) << errors;
}

TEST(ChildProcess, EachWayOfFailingIsToldAndTheChildIsGone) {
    struct Case {
        const char* name;
        std::string program;
        std::string script;
        ChildProcess::Limits limits;
        Kind kind;
        int detail;
    };
    const Case cases[] = {
        {"runs past its time", "/bin/sh", "printf x; exec sleep 30",
         Limits(std::chrono::milliseconds(500)), Kind::TimedOut, 0},
        {"loops writing warnings", "/bin/sh", "exec yes warning >&2",
         Limits(std::chrono::milliseconds(500)), Kind::TimedOut, 0},
        // 400 MB written: the resident-size check ends it (or, without
        // AddressSanitizer, the address-space limit fails its allocation).
        {"allocates without end", "/usr/bin/python3",
         "import time; b = b'x' * (400 << 20); time.sleep(30)",
         Limits(std::chrono::seconds(30), 128u << 20), Kind::OverMemory, 0},
        {"crashes", "/bin/sh", "kill -SEGV $$", Limits(std::chrono::seconds(10)), Kind::Signalled,
         SIGSEGV},
        {"exits with an error", "/bin/sh", "exit 3", Limits(std::chrono::seconds(10)),
         Kind::ExitStatus, 3},
        {"cannot be started", "/nonexistent/reader", "", Limits(std::chrono::seconds(10)),
         Kind::ExitStatus, 127},
    };
    for (const Case& c : cases) {
        const auto start = Clock::now();
        try {
            ChildProcess child(c.program, {"-c", c.script}, c.limits);
            char byte = 0;
            while (child.Read(&byte, 1)) {
            }
            child.Finish();
            ADD_FAILURE() << c.name << ": no failure";
        } catch (const ChildProcess::Failure& failure) {
            Kind kind = failure.kind();
            if (c.kind == Kind::OverMemory && kind == Kind::ExitStatus &&
                failure.errorText().find("MemoryError") != std::string::npos) {
                kind = Kind::OverMemory;
            }
            EXPECT_EQ(kind, c.kind) << c.name << ": " << failure.what();
            if (c.detail != 0) {
                EXPECT_EQ(failure.detail(), c.detail) << c.name;
            }
        }
        EXPECT_LT(Clock::now() - start, c.limits.time + std::chrono::seconds(3)) << c.name;
        // Reaped: no child of this process is left.
        EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << c.name;
    }
}

TEST(ChildProcess, AChildLeftUnreadIsKilledAndReaped) {
    const auto start = Clock::now();
    { ChildProcess child("/bin/sh", {"-c", "exec sleep 30"}, Limits(std::chrono::seconds(30))); }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

}  // namespace
}  // namespace vantrel::import
