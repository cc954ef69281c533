#pragma once
// The header lines of one request as received (name, colon, value), kept
// in blocks that are filled in turn and never moved, each twice as large as
// the one before, from 2 KiB up to 64 KiB. A request may
// hold thousands of lines; one allocation per line would cost more memory
// than the lines themselves, and growing one buffer would copy and free
// ever larger ones.

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::intake {

class HeaderLines {
  public:
    HeaderLines() = default;
    HeaderLines(std::initializer_list<std::string_view> lines) {
        for (std::string_view line : lines)
            push_back(line);
    }
    HeaderLines(const HeaderLines& other) { *this = other; }
    HeaderLines& operator=(const HeaderLines& other) {
        if (this != &other) {
            HeaderLines copy;
            for (std::size_t i = 0; i < other.size(); ++i)
                copy.push_back(other[i]);
            *this = std::move(copy);
        }
        return *this;
    }
    // The lines stay where they are: the blocks move, not their bytes.
    HeaderLines(HeaderLines&&) noexcept = default;
    HeaderLines& operator=(HeaderLines&&) noexcept = default;

    void push_back(std::string_view line) {
        if (blocks_.empty() || line.size() > blockRoom_) {
            const std::size_t size = NextBlockSize(line.size());
            blocks_.push_back(std::make_unique<char[]>(size));
            blockRoom_ = size;
            lastBlockSize_ = size;
            held_ += size;
        }
        if (lines_.size() == lines_.capacity()) {
            const std::size_t capacity = NewLineCapacity();
            held_ += (capacity - lines_.capacity()) * sizeof(std::string_view);
            lines_.reserve(capacity);
        }
        char* at = blocks_.back().get() + (lastBlockSize_ - blockRoom_);
        if (!line.empty())
            std::memcpy(at, line.data(), line.size());
        blockRoom_ -= line.size();
        lines_.emplace_back(at, line.size());
    }
    std::size_t size() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }
    std::string_view operator[](std::size_t i) const { return lines_[i]; }
    std::vector<std::string> ToVector() const { return {lines_.begin(), lines_.end()}; }

    // Bytes the blocks and the line list hold.
    std::size_t HeldBytes() const { return held_; }
    // What push_back of a line of `length` bytes adds to HeldBytes.
    std::size_t GrowthFor(std::size_t length) const {
        std::size_t growth = 0;
        if (blocks_.empty() || length > blockRoom_)
            growth += NextBlockSize(length);
        if (lines_.size() == lines_.capacity())
            growth += (NewLineCapacity() - lines_.capacity()) * sizeof(std::string_view);
        return growth;
    }

  private:
    static constexpr std::size_t kFirstBlock = 2 * 1024;
    static constexpr std::size_t kLargestBlock = 64 * 1024;
    std::size_t NextBlockSize(std::size_t length) const {
        return std::max(length, std::clamp(2 * lastBlockSize_, kFirstBlock, kLargestBlock));
    }
    // Doubling up to 4,096 lines, then by 4,096.
    std::size_t NewLineCapacity() const {
        return lines_.capacity() + std::clamp<std::size_t>(lines_.capacity(), 16, 4096);
    }

    std::vector<std::unique_ptr<char[]>> blocks_;
    // Unused bytes at the end of the last block, and its size.
    std::size_t blockRoom_ = 0;
    std::size_t lastBlockSize_ = 0;
    std::vector<std::string_view> lines_;
    std::size_t held_ = 0;
};

}  // namespace vantrel::intake
