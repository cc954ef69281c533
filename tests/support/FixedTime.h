#pragma once
// A fixed local time, for log lines and entry times the tests can compare.

#include <ctime>

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

}  // namespace vantrel::testsupport
