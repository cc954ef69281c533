#pragma once
// The values of one row in a single heap block: one end offset per value
// (its top bit marks a null) followed by the bytes of every value. A row of
// the inventory costs one allocation instead of one per value.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "StoreTypes.h"

namespace vantrel::store {

class TRow {
  public:
    TRow() = default;  // no values; Empty()
    explicit TRow(const std::vector<FieldValue>& values);
    TRow(const TRow& other);
    TRow& operator=(const TRow& other);
    TRow(TRow&&) noexcept = default;
    TRow& operator=(TRow&&) noexcept = default;

    bool Empty() const { return !block_; }
    std::size_t Size() const { return block_ ? block_[0] : 0; }
    bool IsNull(std::size_t field) const { return (block_[1 + field] & kNull) != 0; }
    // The value's bytes; "" for null.
    std::string_view Text(std::size_t field) const {
        std::uint32_t begin = field == 0 ? 0 : block_[field] & ~kNull;
        std::uint32_t end = block_[1 + field] & ~kNull;
        return {Bytes() + begin, end - begin};
    }
    FieldValue Get(std::size_t field) const;
    std::vector<FieldValue> Values() const;

    bool operator==(const TRow& other) const;

    // Collects the values of rows one by one, re-using its buffers.
    class Builder {
      public:
        void Clear();
        void AddNull();
        void Add(std::string_view bytes);
        TRow Build() const;

      private:
        std::vector<std::uint32_t> ends_;
        std::string bytes_;
    };

  private:
    static constexpr std::uint32_t kNull = 0x80000000u;

    const char* Bytes() const { return reinterpret_cast<const char*>(block_.get() + 1 + Size()); }
    std::size_t Words() const;

    // [count][end of each value][bytes, padded to a whole word]
    std::unique_ptr<std::uint32_t[]> block_;
};

}  // namespace vantrel::store
