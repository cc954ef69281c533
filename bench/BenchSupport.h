#pragma once
// What several benchmarks share: the project's schema, the MACs of
// generated PCs, medians and this process's memory figures.

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantrel::bench {

// The text of store/schema.sql: from VANTREL_SCHEMA, or of this tree.
inline std::string SchemaText() {
    const char* env = std::getenv("VANTREL_SCHEMA");
    const std::filesystem::path path =
        env != nullptr && *env != '\0'
            ? std::filesystem::path(env)
            : std::filesystem::path(__FILE__).parent_path() / ".." / "store" / "schema.sql";
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    if (text.str().empty()) {
        throw std::runtime_error("cannot read the schema " + path.string());
    }
    return text.str();
}

// The MAC of generated PC `n` as its reports send it: 02:00 and the
// number's four bytes.
inline std::string MacOf(int n) {
    char text[32];
    std::snprintf(text, sizeof text, "02:00:%02X:%02X:%02X:%02X", (n >> 24) & 0xFF,
                  (n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF);
    return text;
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A figure of /proc/self/status in KiB ("VmRSS:", "VmHWM:"); 0 when missing.
inline long StatusKib(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == field) {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

// The peak resident size since the start or the last ResetPeak.
inline long PeakKib() {
    return StatusKib("VmHWM:");
}
inline long ResidentKib() {
    return StatusKib("VmRSS:");
}
// Starts the peak anew from the present resident size.
inline void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// CPU time of the whole process, ms: the service's threads and the
// clients', which share the machine's cores.
inline double ProcessCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

}  // namespace vantrel::bench
