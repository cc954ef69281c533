#include "ReportText.h"

#include <cstdio>

#include "Gbk.h"
#include "IntakeLimits.h"

namespace vantrel::intake {

std::string FormatLogTime(const std::tm& local) {
    char text[96];
    const int length =
        std::snprintf(text, sizeof text, "%d-%d-%d %d:%02d:%02d", local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    if (length < 0) {
        return {};
    }
    return std::string(text, static_cast<std::size_t>(length));
}

std::string ReportLogLine(const std::tm& local, std::string_view user) {
    std::string line = FormatLogTime(local);
    line += ' ';
    if (user.size() > kMaxLogUserBytes) {
        line += text::CutAtCharBoundary(user, kMaxLogUserBytes);
        line += kEllipsis;
    } else {
        line += user;
    }
    line += kLogSuffix;
    return line;
}

}  // namespace vantrel::intake
