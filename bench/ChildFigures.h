#pragma once
// What one child process of a benchmark took: each measured run is a
// process of its own, so that its peak resident size is its own.

#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <chrono>

namespace vantrel::bench {

struct Figures {
    double seconds = 0;
    double cpuSeconds = 0;  // user and system, every thread
    long peakKiB = 0;
    bool ok = false;  // exited with 0
};

// Waits for `child`, started at `start`, and returns its figures.
inline Figures WaitForChild(pid_t child, std::chrono::steady_clock::time_point start) {
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    Figures figures;
    figures.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    figures.peakKiB = usage.ru_maxrss;
    figures.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return figures;
}

}  // namespace vantrel::bench
