#pragma once
// The shared strings of a .xlsx, which cells refer to by number, kept in
// one buffer with their ends beside it: millions of short strings cost
// their bytes and four more each, not a string object each.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ZipArchive.h"

namespace vantrel::import {

class SharedStrings {
  public:
    std::size_t Size() const { return ends_.size(); }
    // The string numbered `index` (UTF-8); index must be below Size().
    std::string_view At(std::size_t index) const {
        const std::uint32_t begin = index == 0 ? 0 : ends_[index - 1];
        return std::string_view(bytes_).substr(begin, ends_[index] - begin);
    }
    void Add(std::string_view text) {
        bytes_ += text;
        ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
    }
    std::size_t Bytes() const { return bytes_.size(); }

  private:
    std::string bytes_;
    std::vector<std::uint32_t> ends_;
};

// Throws ImportError when the part is damaged or holds more strings or
// bytes than the bounds allow.
SharedStrings ReadSharedStrings(ZipArchive& zip, const std::string& path);

}  // namespace vantrel::import
