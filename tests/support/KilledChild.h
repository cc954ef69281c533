#pragma once
// A child process killed with SIGKILL in the middle of its work, for tests
// of what a file holds after its writer died at an arbitrary point.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace vantrel::testsupport {

// Tells the parent that step `i` of the child's work has returned.
using StepDone = std::function<void(int i)>;

// Forks a child that runs `work`, which does steps 0, 1, 2, ... without end
// and calls `done(i)` after each. Once `steps` steps have returned the
// child is killed with SIGKILL, most likely in the middle of the next one,
// and reaped. Returns the number of the last step the child reported:
// steps - 1 or more, unless the child died on its own (then less, -1 when
// it reported none). The child never returns into the test program.
inline int KillAfterSteps(int steps, const std::function<void(const StepDone& done)>& work) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return -1;
    }
    if (child == 0) {
        ::close(pipeEnds[0]);
        try {
            work([&](int i) {
                if (::write(pipeEnds[1], &i, sizeof i) != sizeof i) {
                    ::_exit(1);
                }
            });
        } catch (...) {
            ::_exit(2);
        }
        ::_exit(3);
    }
    ::close(pipeEnds[1]);
    int last = -1;
    for (int received = 0;
         received < steps && ::read(pipeEnds[0], &last, sizeof last) == sizeof last; ++received) {
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(pipeEnds[0]);
    return last;
}

}  // namespace vantrel::testsupport
