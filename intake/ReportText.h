#pragma once
// Fixed texts of the report intake (code page 936 bytes) and the small
// formatters the report handler writes with.

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "GbkLiteral.h"
#include "HardwareReport.h"
#include "ReportStore.h"

namespace vantrel::intake {

// Stands for the rest of a user name cut for the event log.
inline const std::string& kEllipsis = u8"…"_gbk;
// Ends the event-log line of a stored report.
inline const std::string& kLogSuffix = u8" 已提交！"_gbk;

// Longest hardware line of the event log, in bytes, "…" included.
inline constexpr std::size_t kMaxHardwareLineBytes = 256;

// Content types of the two replies: the page declares its own charset.
inline constexpr std::string_view kPageContentType = "text/html";
inline constexpr std::string_view kThankYouContentType = "text/html; charset=GBK";

// Local date and time as the event log shows it: year-month-day and
// hour:minute:second, no leading zero on month, day and hour
// ("2024-5-6 9:07:03").
std::string FormatLogTime(const std::tm& local);

// The event-log line of a stored report: time, a blank, the user name as
// sent, " 已提交！". A name longer than kMaxLogUserBytes is cut at a
// character boundary and followed by "…": every report posts its line to
// the window, and a name can be as long as a request body.
std::string ReportLogLine(const std::tm& local, std::string_view user);

// What ends the event-log line of a report that came without a MAC:
// "（未取得 MAC，按 IP 地址 a.b.c.d 登记）", the address cut like a user name.
std::string MacLessLogSuffix(std::string_view ip);

// What ends the event-log line of a report whose MAC the inventory did not
// hold, when the firmware values or listed MACs said something of its PC:
// "（同一台电脑：序列号 X，MAC 由 A 改为 B）" when the row of that PC took
// the report's MAC, otherwise why the report got a row of its own (a
// cloned UUID, several PCs agreeing). "" when nothing was found. Reported
// texts are cut as a user name is.
std::string IdentityLogSuffix(const store::IdentityNote& note);

// The event-log line that makes changed hardware stand out, after the
// report's own line: two blanks, then "title：old → new" for every change
// of a column the column table marks as hardware, or of the system serial,
// board serial or UUID, that
// replaced a value that was not empty, joined by "；"; an empty new value
// reads "（空）". An empty value that became filled is no alarm. "" when no
// change counts. A longer line is cut at a character boundary and ends in
// "…", kMaxHardwareLineBytes in all.
std::string HardwareChangeLine(const std::vector<store::ReportChange>& changes);

}  // namespace vantrel::intake
