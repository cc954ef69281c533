#pragma once
// A fixed local time, for log lines and entry times the tests can compare.

#include <ctime>
#include <memory>

namespace vantrel::testsupport {

inline std::tm LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

// A clock one second later at every reading, from `start`: a time read
// twice where once was meant shows as two times.
inline auto SteppingClock(std::tm start) {
    auto next = std::make_shared<std::tm>(start);
    return [next] {
        const std::tm now = *next;
        ++next->tm_sec;
        next->tm_isdst = -1;
        std::mktime(next.get());
        return now;
    };
}

}  // namespace vantrel::testsupport
