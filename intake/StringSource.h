#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "ByteSource.h"

namespace vantrel::intake {

// A byte source over bytes held in memory. `maxChunk` bounds what one read
// hands out, so that callers can be tried with bytes arriving piecemeal.
class StringSource : public ByteSource {
  public:
    explicit StringSource(std::string_view bytes, std::size_t maxChunk = 0)
        : bytes_(bytes), maxChunk_(maxChunk) {}

    std::size_t ReadSome(char* buffer, std::size_t size) override {
        std::size_t n = std::min(size, bytes_.size() - pos_);
        if (maxChunk_ > 0) {
            n = std::min(n, maxChunk_);
        }
        if (n > 0) {
            std::memcpy(buffer, bytes_.data() + pos_, n);
        }
        pos_ += n;
        return n;
    }

  private:
    std::string bytes_;
    std::size_t maxChunk_;
    std::size_t pos_ = 0;
};

}  // namespace vantrel::intake
