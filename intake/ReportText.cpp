#include "ReportText.h"

#include <cstdio>

#include "ColumnTitles.h"
#include "Gbk.h"
#include "GbkLiteral.h"
#include "IntakeLimits.h"
#include "IpColumns.h"

namespace vantrel::intake {

namespace {

constexpr std::string_view kLineIndent = "  ";
const std::string& kTitleEnd = u8"："_gbk;
const std::string& kArrow = u8" → "_gbk;
const std::string& kSeparator = u8"；"_gbk;
const std::string& kEmpty = u8"（空）"_gbk;

bool IsHardware(std::string_view column) {
    const std::size_t i = protocol::IpColumnIndex(column);
    return i < protocol::kIpColumnCount && protocol::kIpColumns[i].hardware;
}

}  // namespace

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

std::string MacLessLogSuffix(std::string_view ip) {
    const std::string& kLead = u8"（未取得 MAC，按 IP 地址 "_gbk;
    const std::string& kEnd = u8" 登记）"_gbk;
    std::string suffix = kLead;
    if (ip.size() > kMaxLogUserBytes) {
        suffix += text::CutAtCharBoundary(ip, kMaxLogUserBytes);
        suffix += kEllipsis;
    } else {
        suffix += ip;
    }
    return suffix + kEnd;
}

std::string HardwareChangeLine(const std::vector<store::ReportChange>& changes) {
    std::string line;
    for (const store::ReportChange& change : changes) {
        if (!IsHardware(change.column) || !change.oldValue || change.oldValue->empty()) {
            continue;
        }
        line += line.empty() ? kLineIndent : kSeparator;
        line += inventory::GridTitleOf(change.column);
        line += kTitleEnd;
        line += *change.oldValue;
        line += kArrow;
        line += change.newValue.empty() ? kEmpty : std::string_view(change.newValue);
    }
    if (line.size() > kMaxHardwareLineBytes) {
        line =
            std::string(text::CutAtCharBoundary(line, kMaxHardwareLineBytes - kEllipsis.size())) +
            std::string(kEllipsis);
    }
    return line;
}

}  // namespace vantrel::intake
