#pragma once
// The values of one row in a single block: one end offset per value (its
// top bit marks a null) followed by the bytes of every value. A row costs
// one allocation instead of one per value; rows loaded in bulk take their
// blocks from an arena and cost none.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "StoreTypes.h"

namespace vantrel::store {

class Row {
  public:
    // Hands out blocks from large chunks; the rows built in it borrow their
    // block and must not outlive it (MakeOwned gives a row its own copy).
    class Arena {
      public:
        std::uint32_t* Allocate(std::size_t words);

      private:
        std::vector<std::unique_ptr<std::uint32_t[]>> chunks_;
        std::size_t used_ = 0;
        std::size_t capacity_ = 0;
    };

    // Collects the values of rows one by one, re-using its buffers.
    class Builder {
      public:
        void Clear();
        void AddNull();
        void Add(std::string_view bytes);
        // A row with its own block.
        Row Build() const;
        // A row whose block lives in `arena`.
        Row Build(Arena& arena) const;

      private:
        std::size_t Words() const;
        void Fill(std::uint32_t* block, std::size_t words) const;

        std::vector<std::uint32_t> ends_;
        std::string bytes_;
    };

    Row() = default;  // no values; Empty()
    explicit Row(const std::vector<FieldValue>& values);
    ~Row();
    Row(const Row& other);
    Row& operator=(const Row& other);
    Row(Row&& other) noexcept : bits_(other.bits_) { other.bits_ = 0; }
    Row& operator=(Row&& other) noexcept;

    // Copies a borrowed block, so that the row no longer needs its arena.
    void MakeOwned();

    bool Empty() const { return bits_ == 0; }
    std::size_t Size() const { return bits_ != 0 ? Block()[0] : 0; }
    bool IsNull(std::size_t field) const { return (Block()[1 + field] & kNull) != 0; }
    // The value's bytes; "" for null.
    std::string_view Text(std::size_t field) const {
        const std::uint32_t* block = Block();
        std::uint32_t begin = field == 0 ? 0 : block[field] & ~kNull;
        std::uint32_t end = block[1 + field] & ~kNull;
        return {reinterpret_cast<const char*>(block + 1 + block[0]) + begin, end - begin};
    }
    FieldValue Get(std::size_t field) const;
    std::vector<FieldValue> Values() const;

    bool operator==(const Row& other) const;

  private:
    static constexpr std::uint32_t kNull = 0x80000000u;
    static constexpr std::uintptr_t kBorrowed = 1;

    const std::uint32_t* Block() const {
        return reinterpret_cast<const std::uint32_t*>(bits_ & ~kBorrowed);
    }
    std::size_t Words() const;
    void Release();

    // The block's address, its lowest bit set when the block is borrowed.
    // Layout: [count][end of each value][bytes, zero-padded to a whole word].
    std::uintptr_t bits_ = 0;
};

}  // namespace vantrel::store
