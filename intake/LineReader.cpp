#include "LineReader.h"

#include <algorithm>
#include <cstring>

#include "IntakeLimits.h"

namespace vantrel::intake {

LineReader::LineReader(ByteSource& source, BudgetShare* share)
    : source_(source), share_(share), buffer_(std::make_unique<char[]>(kReceiveBufferSize)) {}

bool LineReader::Fill() {
    begin_ = 0;
    end_ = source_.ReadSome(buffer_.get(), kReceiveBufferSize);
    return end_ > 0;
}

LineReader::Status LineReader::ReadLine(std::string& line) {
    line.clear();
    for (;;) {
        if (begin_ == end_ && !Fill()) {
            return Status::Closed;
        }
        const char* start = buffer_.get() + begin_;
        std::size_t available = end_ - begin_;
        const void* lf = std::memchr(start, '\n', available);
        std::size_t take =
            lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : available;
        if (line.size() + take > kMaxLineLength) {
            return Status::TooLong;
        }
        line.append(start, take);
        if (lf) {
            begin_ += take + 1;
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return Status::Ok;
        }
        begin_ = end_;
    }
}

LineReader::Status LineReader::ReadExact(std::size_t count, std::string& out) {
    // The caller has taken `count` from the budget: room for all of it at
    // once spares copying what came so far each time the string grows.
    out.reserve(out.size() + count);
    while (count > 0) {
        if (begin_ == end_ && !Fill()) {
            return Status::Closed;
        }
        std::size_t take = std::min(count, end_ - begin_);
        out.append(buffer_.get() + begin_, take);
        begin_ += take;
        count -= take;
    }
    return Status::Ok;
}

LineReader::Status LineReader::ReadToEnd(std::size_t limit, std::string& out) {
    std::size_t total = 0;
    for (;;) {
        if (begin_ == end_ && !Fill()) {
            return Status::Ok;
        }
        std::size_t take = end_ - begin_;
        total += take;
        if (total > limit) {
            return Status::TooLong;
        }
        if (!Reserve(take)) {
            return Status::OverBudget;
        }
        out.append(buffer_.get() + begin_, take);
        begin_ = end_;
    }
}

}  // namespace vantrel::intake
