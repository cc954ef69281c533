#include "CellText.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

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

bool IsValidUtf8(std::string_view bytes) {
    Utf8Check check;
    check.Feed(bytes);
    return check.Valid();
}

bool IsPlainAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

void Utf8Check::Feed(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (!valid_) {
            return;
        }
        if (pending_ == 0) {
            // Runs of ASCII, most of a list, eight bytes at a time.
            for (std::uint64_t word = 0; i + 8 <= bytes.size(); i += 8) {
                std::memcpy(&word, bytes.data() + i, 8);
                if ((word & 0x8080808080808080ull) != 0) {
                    break;
                }
            }
            if (i == bytes.size()) {
                return;
            }
        }
        const auto b = static_cast<unsigned char>(bytes[i++]);
        if (pending_ > 0) {
            if ((b & 0xC0) != 0x80) {
                valid_ = false;
                return;
            }
            // Overlong forms, surrogates and values past U+10FFFF are
            // ruled out by the first continuation byte.
            if (second_) {
                second_ = false;
                if ((lead_ == 0xE0 && b < 0xA0) || (lead_ == 0xED && b > 0x9F) ||
                    (lead_ == 0xF0 && b < 0x90) || (lead_ == 0xF4 && b > 0x8F)) {
                    valid_ = false;
                    return;
                }
            }
            --pending_;
            continue;
        }
        if (b < 0x80) {
            continue;
        }
        nonAscii_ = true;
        lead_ = b;
        second_ = true;
        if (b >= 0xC2 && b <= 0xDF) {
            pending_ = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            pending_ = 2;
        } else if (b >= 0xF0 && b <= 0xF4) {
            pending_ = 3;
        } else {
            valid_ = false;
        }
    }
}

}  // namespace vantrel::import
