#pragma once
// The small conversions every reader shares: how a cell becomes the GBK
// text the inventory keeps.

#include <cstddef>
#include <string>
#include <string_view>

#include "Utf8.h"

namespace vantrel::import {

// `gbk` without the blanks around it: ASCII spaces, tabs, line breaks and
// the full-width space. Double-byte characters are stepped over whole.
std::string TrimmedGbk(std::string_view gbk);

// A number as a spreadsheet shows it in a general cell: whole numbers
// without ".0" (a phone 8659, a memory 8192), others with up to fifteen
// significant digits.
std::string NumberText(double value);

// A spreadsheet date serial (days since the epoch of the workbook, the
// fraction the time of day) as "YYYY-MM-DD HH:MM:SS"; "" when it is out of
// any sensible range.
std::string SerialDateText(double serial, bool epoch1904 = false);

// The UTF-8 checks live with the other text rules; readers name them here.
using text::IsPlainAscii;
using text::IsValidUtf8;
using text::Utf8Check;

}  // namespace vantrel::import
