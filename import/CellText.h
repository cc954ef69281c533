#pragma once
// The small conversions every reader shares: how a cell becomes the GBK
// text the inventory keeps.

#include <cstddef>
#include <string>
#include <string_view>

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

bool IsValidUtf8(std::string_view bytes);
bool IsPlainAscii(std::string_view bytes);

// UTF-8 streams in any chunks: whether what was fed so far is valid, a
// character split between two chunks included.
class Utf8Check {
  public:
    void Feed(std::string_view bytes);
    // Valid, and no character is left unfinished at the end.
    bool Valid() const { return valid_ && pending_ == 0; }
    bool SawNonAscii() const { return nonAscii_; }
    // Not valid whatever follows.
    bool Failed() const { return !valid_; }

  private:
    bool valid_ = true;
    bool nonAscii_ = false;
    int pending_ = 0;  // continuation bytes still expected
    unsigned char lead_ = 0;
    bool second_ = false;  // the next byte is the first continuation
};

}  // namespace vantrel::import
