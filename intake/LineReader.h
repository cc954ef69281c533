#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "ByteSource.h"
#include "MemoryBudget.h"

namespace vantrel::intake {

// Reads lines and counted bytes from a byte source through one receive
// buffer of kReceiveBufferSize bytes. With a budget share, the bytes of a
// body are taken from it before they are stored.
class LineReader {
  public:
    // OverBudget: the bytes would pass what all connections may hold.
    enum class Status { Ok, Closed, TooLong, OverBudget };

    explicit LineReader(ByteSource& source, BudgetShare* share = nullptr);

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
    // soon as more than `limit` bytes have arrived. Each piece is taken from
    // the budget share before it is stored.
    Status ReadToEnd(std::size_t limit, std::string& out);
    // Takes `bytes` from the budget share for what the caller is about to
    // store; false when the budget has no room (always true without one).
    bool Reserve(std::size_t bytes) { return share_ == nullptr || share_->Take(bytes); }

  private:
    bool Fill();  // false at the end of the stream

    ByteSource& source_;
    BudgetShare* share_;
    std::unique_ptr<char[]> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

}  // namespace vantrel::intake
