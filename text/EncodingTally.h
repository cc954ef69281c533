#pragma once
// Which encoding a whole text file is in, UTF-8 or GBK, told line by line
// over all of it: one stray byte no longer turns a UTF-8 list into GBK,
// and a file that fits neither is named with its first bad line rather
// than guessed at. Lines end at '\n', which is never part of a GBK pair.

#include <cstddef>
#include <string_view>

#include "Utf8.h"

namespace vantrel::text {

class EncodingTally {
  public:
    // Bytes of the file in order, in chunks of any size.
    void Feed(std::string_view bytes);
    // After the last chunk.
    void Finish();

    enum class Verdict {
        Ascii,       // nothing past ASCII: either reading is the same
        Utf8,        // every line that is not ASCII is UTF-8
        MostlyUtf8,  // most such lines are UTF-8; the rest hold stray bytes
        Gbk,         // every line is GBK and not all are UTF-8
        Neither,     // too many lines fit neither
    };
    Verdict Result() const;
    // The first line (from 1) that is not UTF-8 / not GBK; 0 when none.
    std::size_t FirstNonUtf8Line() const { return firstNonUtf8_; }
    std::size_t FirstNonGbkLine() const { return firstNonGbk_; }
    // The first line holding a NUL byte, which no text holds; 0 when none.
    std::size_t FirstNulLine() const { return firstNul_; }

  private:
    void EndLine();
    void Mixed(std::string_view bytes);

    std::size_t line_ = 1;
    std::size_t utf8Lines_ = 0;     // lines past ASCII that are UTF-8
    std::size_t nonUtf8Lines_ = 0;  // lines that are not
    std::size_t firstNonUtf8_ = 0;
    std::size_t firstNonGbk_ = 0;
    std::size_t firstNul_ = 0;
    // The line being read.
    bool nonAscii_ = false;
    Utf8Check utf8_;
    bool gbkBad_ = false;
    bool gbkTrail_ = false;  // the next byte is a GBK trail byte
};

}  // namespace vantrel::text
