#include "TRow.h"

#include <algorithm>
#include <cstring>

#include "StoreError.h"

namespace vantrel::store {

namespace {

std::size_t WordsFor(std::size_t count, std::size_t bytes) {
    return 1 + count + (bytes + sizeof(std::uint32_t) - 1) / sizeof(std::uint32_t);
}

}  // namespace

TRow::TRow(const std::vector<FieldValue>& values) {
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

std::size_t TRow::Words() const {
    if (!block_) {
        return 0;
    }
    std::size_t count = Size();
    std::size_t bytes = count == 0 ? 0 : block_[count] & ~kNull;
    return WordsFor(count, bytes);
}

TRow::TRow(const TRow& other) {
    *this = other;
}

TRow& TRow::operator=(const TRow& other) {
    if (this != &other) {
        std::size_t words = other.Words();
        std::unique_ptr<std::uint32_t[]> copy;
        if (words != 0) {
            copy = std::make_unique_for_overwrite<std::uint32_t[]>(words);
            std::memcpy(copy.get(), other.block_.get(), words * sizeof(std::uint32_t));
        }
        block_ = std::move(copy);
    }
    return *this;
}

FieldValue TRow::Get(std::size_t field) const {
    if (IsNull(field)) {
        return std::nullopt;
    }
    return std::string(Text(field));
}

std::vector<FieldValue> TRow::Values() const {
    std::vector<FieldValue> values;
    values.reserve(Size());
    for (std::size_t f = 0; f < Size(); ++f) {
        values.push_back(Get(f));
    }
    return values;
}

bool TRow::operator==(const TRow& other) const {
    // Padding bytes are always zero, so whole blocks compare.
    std::size_t words = Words();
    return words == other.Words() &&
           (words == 0 ||
            std::memcmp(block_.get(), other.block_.get(), words * sizeof(std::uint32_t)) == 0);
}

void TRow::Builder::Clear() {
    ends_.clear();
    bytes_.clear();
}

void TRow::Builder::AddNull() {
    ends_.push_back(static_cast<std::uint32_t>(bytes_.size()) | kNull);
}

void TRow::Builder::Add(std::string_view bytes) {
    if (bytes.size() >= kNull - bytes_.size()) {
        throw StoreError("The values of a row are too long");
    }
    bytes_.append(bytes);
    ends_.push_back(static_cast<std::uint32_t>(bytes_.size()));
}

TRow TRow::Builder::Build() const {
    TRow row;
    std::size_t words = WordsFor(ends_.size(), bytes_.size());
    row.block_ = std::make_unique_for_overwrite<std::uint32_t[]>(words);
    row.block_[words - 1] = 0;  // padding is zero, so that whole blocks compare
    row.block_[0] = static_cast<std::uint32_t>(ends_.size());
    std::copy(ends_.begin(), ends_.end(), row.block_.get() + 1);
    if (!bytes_.empty()) {
        std::memcpy(row.block_.get() + 1 + ends_.size(), bytes_.data(), bytes_.size());
    }
    return row;
}

}  // namespace vantrel::store
