#include "CellText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "Gbk.h"

namespace vantrel::import {

namespace {

bool IsBlankAt(std::string_view text, std::size_t i, std::size_t length) {
    if (length == 1) {
        const char c = text[i];
        return c == ' ' || c == '\t' || c == '\r' || c == '\n';
    }
    return text[i] == '\xa1' && text[i + 1] == '\xa1';  // full-width space
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

std::string TrimmedGbk(std::string_view gbk) {
    std::size_t begin = 0;
    std::size_t end = 0;  // after the last character that is not blank
    bool seen = false;
    for (std::size_t i = 0; i < gbk.size();) {
        const std::size_t length = text::CharLength(gbk, i);
        if (!IsBlankAt(gbk, i, length)) {
            if (!seen) {
                begin = i;
                seen = true;
            }
            end = i + length;
        }
        i += length;
    }
    return seen ? std::string(gbk.substr(begin, end - begin)) : std::string();
}

std::string NumberText(double value) {
    if (!std::isfinite(value)) {
        return std::string();
    }
    char text[64];
    if (value == std::floor(value) && std::fabs(value) < 1e15) {
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    } else {
        std::snprintf(text, sizeof text, "%.15g", value);
    }
    return text;
}

std::string SerialDateText(double serial, bool epoch1904) {
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466) {  // 9999-12-31
        return std::string();
    }
    // Seconds rounded first, so that 0.99999999 of a day is the next day.
    auto seconds = static_cast<std::int64_t>(std::llround(serial * 86400.0));
    std::int64_t days = seconds / 86400;
    seconds %= 86400;
    // The 1900 system counts a 29 February 1900 that never was: serials
    // from 61 on are one day late against 1899-12-30.
    if (epoch1904) {
        days -= 24107;  // 1904-01-01 .. 1970-01-01
    } else {
        if (days < 61) {
            days += 1;
        }
        days -= 25569;  // 1899-12-30 .. 1970-01-01
    }
    int year = 0;
    int month = 0;
    int day = 0;
    CivilFromDays(days, year, month, day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day,
                  static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                  static_cast<int>(seconds % 60));
    return text;
}

}  // namespace vantrel::import
