#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "ByteSource.h"

namespace vantrel::intake {

// Reads lines and counted bytes from a byte source through one receive
// buffer of kReceiveBufferSize bytes.
class LineReader {
  public:
    enum class Status { Ok, Closed, TooLong };

    explicit LineReader(ByteSource& source);

    // One line: the bytes up to a line feed, without the line feed and
    // without one carriage return directly before it. TooLong when more than
    // kMaxLineLength bytes (a carriage return counted) come before the line
    // feed; it is reported as soon as that many have arrived. Closed when the
    // stream ends before the line feed.
    Status ReadLine(std::string& line);
    // Exactly `count` bytes, appended to `out` as they arrive; Closed when
    // the stream ends first.
    Status ReadExact(std::size_t count, std::string& out);
    // Everything until the end of the stream, appended to `out`; TooLong as
    // soon as more than `limit` bytes have arrived.
    Status ReadToEnd(std::size_t limit, std::string& out);

  private:
    bool Fill();  // false at the end of the stream

    ByteSource& source_;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

}  // namespace vantrel::intake
