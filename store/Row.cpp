#include "Row.h"

#include <algorithm>
#include <cstring>

#include "StoreError.h"

namespace vantrel::store {

namespace {

constexpr std::size_t kChunkWords = std::size_t{1} << 18;  // 1 MiB

std::size_t WordsFor(std::size_t count, std::size_t bytes) {
    return 1 + count + (bytes + sizeof(std::uint32_t) - 1) / sizeof(std::uint32_t);
}

}  // namespace

std::uint32_t* Row::Arena::Allocate(std::size_t words) {
    if (capacity_ - used_ < words) {
        std::size_t size = std::max(words, kChunkWords);
        chunks_.push_back(std::make_unique_for_overwrite<std::uint32_t[]>(size));
        used_ = 0;
        capacity_ = size;
    }
    std::uint32_t* block = chunks_.back().get() + used_;
    used_ += words;
    return block;
}

void Row::Builder::Clear() {
    ends_.clear();
    bytes_.clear();
}

void Row::Builder::AddNull() {
    ends_.push_back(static_cast<std::uint32_t>(bytes_.size()) | kNull);
}

void Row::Builder::Add(std::string_view bytes) {
    if (bytes.size() >= kNull - bytes_.size()) {
        throw StoreError("The values of a row are too long");
    }
    bytes_.append(bytes);
    ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
}

std::size_t Row::Builder::Words() const {
    return WordsFor(ends_.size(), bytes_.size());
}

void Row::Builder::Fill(std::uint32_t* block, std::size_t words) const {
    block[words - 1] = 0;  // padding is zero, so that whole blocks compare
    block[0] = static_cast<std::uint32_t>(ends_.size());
    std::copy(ends_.begin(), ends_.end(), block + 1);
    if (!bytes_.empty()) {
        std::memcpy(block + 1 + ends_.size(), bytes_.data(), bytes_.size());
    }
}

Row Row::Builder::Build() const {
    std::size_t words = Words();
    auto block = std::make_unique_for_overwrite<std::uint32_t[]>(words);
    Fill(block.get(), words);
    Row row;
    row.bits_ = reinterpret_cast<std::uintptr_t>(block.release());
    return row;
}

Row Row::Builder::Build(Arena& arena) const {
    std::size_t words = Words();
    std::uint32_t* block = arena.Allocate(words);
    Fill(block, words);
    Row row;
    row.bits_ = reinterpret_cast<std::uintptr_t>(block) | kBorrowed;
    return row;
}

Row::Row(const std::vector<FieldValue>& values) {
    Builder builder;
    for (const FieldValue& value : values) {
        if (value) {
            builder.Add(*value);
        } else {
            builder.AddNull();
        }
    }
    *this = builder.Build();
}

Row::~Row() {
    Release();
}

void Row::Release() {
    if (bits_ != 0 && (bits_ & kBorrowed) == 0) {
        delete[] reinterpret_cast<std::uint32_t*>(bits_);
    }
    bits_ = 0;
}

std::size_t Row::Words() const {
    if (bits_ == 0) {
        return 0;
    }
    const std::uint32_t* block = Block();
    std::size_t count = block[0];
    std::size_t bytes = count == 0 ? 0 : block[count] & ~kNull;
    return WordsFor(count, bytes);
}

Row::Row(const Row& other) {
    *this = other;
}

Row& Row::operator=(const Row& other) {
    if (this != &other) {
        std::size_t words = other.Words();
        std::uintptr_t copy = 0;
        if (words != 0) {
            auto block = std::make_unique_for_overwrite<std::uint32_t[]>(words);
            std::memcpy(block.get(), other.Block(), words * sizeof(std::uint32_t));
            copy = reinterpret_cast<std::uintptr_t>(block.release());
        }
        Release();
        bits_ = copy;
    }
    return *this;
}

Row& Row::operator=(Row&& other) noexcept {
    if (this != &other) {
        Release();
        bits_ = other.bits_;
        other.bits_ = 0;
    }
    return *this;
}

void Row::MakeOwned() {
    if ((bits_ & kBorrowed) != 0) {
        *this = Row(*this);
    }
}

FieldValue Row::Get(std::size_t field) const {
    if (IsNull(field)) {
        return std::nullopt;
    }
    return std::string(Text(field));
}

std::vector<FieldValue> Row::Values() const {
    std::vector<FieldValue> values;
    values.reserve(Size());
    for (std::size_t f = 0; f < Size(); ++f) {
        values.push_back(Get(f));
    }
    return values;
}

bool Row::operator==(const Row& other) const {
    // Padding bytes are always zero, so whole blocks compare.
    std::size_t words = Words();
    return words == other.Words() &&
           (words == 0 || std::memcmp(Block(), other.Block(), words * sizeof(std::uint32_t)) == 0);
}

}  // namespace vantrel::store
