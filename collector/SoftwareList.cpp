#include "SoftwareList.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <tuple>

#include "Gbk.h"
#include "GbkLiteral.h"
#include "SoftwareField.h"
#include "ValueFormats.h"

namespace vantrel::collector {

namespace {

constexpr std::size_t kMaxValueBytes = 255;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsDigit);
}

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
    }
    return value;
}

bool IsRealDay(int year, int month, int day) {
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1970 || year > 2999 || month < 1 || month > 12 || day < 1) {
        return false;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= (month == 2 && !leap ? 28 : kDays[month - 1]);
}

bool IsAsciiAlnum(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The bytes `text` takes percent-encoded in the form.
std::size_t EncodedBytes(std::string_view text) {
    std::size_t bytes = 0;
    for (char c : text) {
        bytes +=
            IsAsciiAlnum(c) || c == ' ' || c == '*' || c == '-' || c == '.' || c == '_' ? 1 : 3;
    }
    return bytes;
}

}  // namespace

std::string FormatInstallDate(std::string_view date) {
    date = text::TrimBlanks(date);
    std::string_view year;
    std::string_view month;
    std::string_view day;
    if (date.size() == 8 && AllDigits(date)) {
        year = date.substr(0, 4);
        month = date.substr(4, 2);
        day = date.substr(6, 2);
    } else if (date.size() == 10 && date[4] == '-' && date[7] == '-' &&
               AllDigits(date.substr(0, 4)) && AllDigits(date.substr(5, 2)) &&
               AllDigits(date.substr(8, 2))) {
        year = date.substr(0, 4);
        month = date.substr(5, 2);
        day = date.substr(8, 2);
    } else {
        return {};
    }
    if (!IsRealDay(Number(year), Number(month), Number(day))) {
        return {};
    }
    return std::string(year) + "-" + std::string(month) + "-" + std::string(day);
}

bool NamesAnUpdate(std::string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); i += text::CharLength(text, i)) {
        if (text::AsciiUpper(text[i]) != 'K' || text::AsciiUpper(text[i + 1]) != 'B' ||
            (i > 0 && IsAsciiAlnum(text[i - 1]))) {
            continue;
        }
        std::size_t end = i + 2;
        while (end < text.size() && IsDigit(text[end])) {
            ++end;
        }
        if (end - (i + 2) >= 6 && (end == text.size() || !IsAsciiAlnum(text[end]))) {
            return true;
        }
    }
    return false;
}

std::optional<InstalledProgram> ProgramOf(const UninstallEntry& entry) {
    static const std::set<std::string, std::less<>> kUpdateTypes = {"update", "security update",
                                                                    "hotfix", "update rollup"};
    const std::string name = SoftwareValue(entry.displayName);
    if (name.empty() || entry.systemComponent || !text::TrimBlanks(entry.parentKeyName).empty() ||
        kUpdateTypes.count(text::AsciiLower(text::TrimBlanks(entry.releaseType))) != 0 ||
        NamesAnUpdate(entry.keyName) || NamesAnUpdate(name)) {
        return std::nullopt;
    }
    InstalledProgram program;
    program.name = name;
    program.version = entry.displayVersion;
    program.publisher = entry.publisher;
    program.installDate = FormatInstallDate(entry.installDate);
    program.bits = entry.bits;
    program.scope = entry.scope;
    program.app = true;
    return program;
}

std::string SoftwareValue(std::string_view gbk) {
    return std::string(text::CutAtCharBoundary(CleanText(gbk), kMaxValueBytes));
}

SoftwareList BuildSoftwareList(const std::vector<InstalledProgram>& programs) {
    std::set<std::tuple<std::string, std::string, std::string>> seen;
    std::vector<std::string> lines;
    for (const InstalledProgram& program : programs) {
        const std::string name = SoftwareValue(program.name);
        const std::string version = SoftwareValue(program.version);
        const std::string bits = SoftwareValue(program.bits);
        if (name.empty() || !seen.emplace(name, version, bits).second) {
            continue;
        }
        const std::string fields[] = {name,
                                      version,
                                      SoftwareValue(program.publisher),
                                      SoftwareValue(program.installDate),
                                      bits,
                                      SoftwareValue(program.scope),
                                      program.app ? "1" : "0"};
        static_assert(std::size(fields) == protocol::kSoftwareColumns);
        std::string line = fields[0];
        for (std::size_t i = 1; i < std::size(fields); ++i) {
            line += protocol::kSoftwareSeparator;
            line += fields[i];
        }
        lines.push_back(std::move(line));
    }
    std::sort(lines.begin(), lines.end());
    SoftwareList list;
    list.found = lines.size();
    std::size_t encoded = 0;
    for (const std::string& line : lines) {
        const std::size_t grown = list.value.size() + (list.sent > 0 ? 1 : 0) + line.size();
        const std::size_t grownEncoded = encoded + (list.sent > 0 ? 3 : 0) + EncodedBytes(line);
        if (list.sent == protocol::kMaxPrograms || grown > protocol::kMaxSoftwareBytes ||
            grownEncoded > kMaxSoftwareFormBytes) {
            break;
        }
        encoded = grownEncoded;
        if (list.sent > 0) {
            list.value += '\n';
        }
        list.value += line;
        ++list.sent;
    }
    return list;
}

std::string DescribeSoftware(const SoftwareList& list) {
    if (list.found == 0) {
        return {};
    }
    std::string text = std::to_string(list.found) + u8" 个"_gbk;
    if (list.sent < list.found) {
        text += u8"（只发送前 "_gbk + std::to_string(list.sent) + u8" 个）"_gbk;
    }
    return text;
}

}  // namespace vantrel::collector
