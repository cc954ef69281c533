#include "ReportText.h"

#include <cstdio>

#include "ColumnTitles.h"
#include "Gbk.h"
#include "GbkConvert.h"
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

// The firmware values whose change means other hardware, with their
// titles: a new main board brings a new board serial and UUID.
struct FirmwareTitle {
    std::string_view column;
    std::string_view title;  // UTF-8
};
constexpr FirmwareTitle kFirmwareHardware[] = {
    {"serial", "序列号"}, {"boardserial", "主板序列号"}, {"uuid", "UUID"}};

const FirmwareTitle* FirmwareHardware(std::string_view column) {
    for (const FirmwareTitle& entry : kFirmwareHardware) {
        if (entry.column == column) {
            return &entry;
        }
    }
    return nullptr;
}

bool IsHardware(std::string_view column) {
    const std::size_t i = protocol::IpColumnIndex(column);
    return (i < protocol::kIpColumnCount && protocol::kIpColumns[i].hardware) ||
           FirmwareHardware(column) != nullptr;
}

std::string TitleOf(std::string_view column) {
    const std::string_view title = inventory::GridTitleOf(column);
    const FirmwareTitle* firmware = FirmwareHardware(column);
    if (title == column && firmware != nullptr) {
        return text::Utf8ToGbk(firmware->title);
    }
    return std::string(title);
}

// A reported text as the event log shows it: cut like a user name.
std::string Shown(std::string_view value) {
    if (value.size() > kMaxLogUserBytes) {
        return std::string(text::CutAtCharBoundary(value, kMaxLogUserBytes)) + kEllipsis;
    }
    return std::string(value);
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

std::string IdentityLogSuffix(const store::IdentityNote& note) {
    using Kind = store::IdentityNote::Kind;
    switch (note.kind) {
        case Kind::SamePc:
            return u8"（同一台电脑：序列号 "_gbk +
                   (note.serial.empty() ? kEmpty : Shown(note.serial)) + u8"，MAC 由 "_gbk +
                   (note.oldMac.empty() ? kEmpty : Shown(note.oldMac)) + u8" 改为 "_gbk +
                   Shown(note.newMac) + u8"）"_gbk;
        case Kind::ClonedUuid:
            return u8"（UUID 与已登记的电脑相同而序列号不同，视为克隆的系统：另登记一行）"_gbk;
        case Kind::SeveralPcs:
            return u8"（与 "_gbk + std::to_string(note.pcs) +
                   u8" 台已登记的电脑相符，不知是哪一台：另登记一行）"_gbk;
        case Kind::None:
            break;
    }
    return {};
}

std::string HardwareChangeLine(const std::vector<store::ReportChange>& changes) {
    std::string line;
    for (const store::ReportChange& change : changes) {
        if (!IsHardware(change.column) || !change.oldValue || change.oldValue->empty()) {
            continue;
        }
        line += line.empty() ? kLineIndent : kSeparator;
        line += TitleOf(change.column);
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
