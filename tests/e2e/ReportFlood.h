#pragma once
// Floods of reports against the real program, and the memory it holds
// meanwhile: clients posting reports from threads of their own for a
// while, the peak of the program's resident size, and how soon SIGTERM
// ends it afterwards.

#include <sys/types.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "VantrelProcess.h"

namespace vantrel::e2e {

// Resident bytes of a process; 0 when it is gone.
inline std::size_t ResidentBytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            std::size_t kib = 0;
            status >> kib;
            return kib * 1024;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

// A sanitizer build keeps freed memory resident on purpose (256 MiB by
// default): turned down to 16 MiB, so that bounds are on the program's
// own memory. Other sanitizer options in the environment stay.
inline VantrelOptions SmallQuarantine() {
    VantrelOptions options;
    const char* asan = std::getenv("ASAN_OPTIONS");
    options.environment.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") +
                                  (asan && *asan ? ":" : "") + "quarantine_size_mb=16");
    return options;
}

// The highest resident size of a process, read every 20 ms on a thread of
// its own from construction until Stop.
class PeakSampler {
  public:
    explicit PeakSampler(pid_t pid)
        : thread_([this, pid] {
              while (sampling_) {
                  peak_ = std::max(peak_.load(), ResidentBytes(pid));
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          }) {}
    ~PeakSampler() { Stop(); }

    // Ends the sampling; the peak seen.
    std::size_t Stop() {
        sampling_ = false;
        if (thread_.joinable()) {
            thread_.join();
        }
        return peak_;
    }

  private:
    std::atomic<bool> sampling_{true};
    std::atomic<std::size_t> peak_{0};
    std::thread thread_;
};

// A form-encoded report as the request that posts it.
inline std::string PostRequest(const std::string& body) {
    return "POST /post HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
           "Content-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

struct FloodOutcome {
    int thanked = 0;                                // reports answered with the thanks (谢谢)
    std::size_t peakBytes = 0;                      // the program's highest resident size
    int exitStatus = -1;                            // after the SIGTERM that ends the flood
    std::chrono::steady_clock::duration exiting{};  // from SIGTERM to the end
};

// `clients` threads post report after report for `length`, each the
// request `request(client, round)` gives; then the program is sent
// SIGTERM.
inline FloodOutcome FloodWithReports(VantrelProcess& vantrel, int clients,
                                     std::chrono::seconds length,
                                     const std::function<std::string(int, int)>& request) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + length;
    std::atomic<int> thanked{0};
    PeakSampler sampler(vantrel.Pid());
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            for (int round = 0; Clock::now() < end; ++round) {
                if (Exchange(request(c, round)).find("\xD0\xBB\xD0\xBB") != std::string::npos) {
                    ++thanked;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    FloodOutcome outcome;
    outcome.peakBytes = sampler.Stop();
    outcome.thanked = thanked;
    const auto asked = Clock::now();
    outcome.exitStatus = vantrel.Terminate();
    outcome.exiting = Clock::now() - asked;
    return outcome;
}

}  // namespace vantrel::e2e
