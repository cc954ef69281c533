#pragma once
// UTF-8 as files bring it in: checked in chunks of any size, and written
// from code points.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::text {

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

// Appends the UTF-8 of `code`; NUL, a surrogate and anything past U+10FFFF
// become U+FFFD.
void AppendUtf8(std::string& out, std::uint32_t code);

}  // namespace vantrel::text
