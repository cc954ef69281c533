#include "SoftwareCatalogTexts.h"

#include <functional>

namespace vantrel::store {

namespace {

std::uint64_t SlotOf(std::uint64_t hash, std::size_t number) {
    return (hash & 0xFFFFFFFF00000000u) | (number + 1);
}

}  // namespace

std::uint32_t CatalogTexts::NumberOf(std::string_view text) {
    if ((Size() + 1) * 2 > slots_.size()) {
        Grow();
    }
    const std::uint64_t hash = std::hash<std::string_view>{}(text);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint64_t slot = slots_[at];
        if (slot == 0) {
            const std::size_t number = Size();
            bytes_.append(text);
            starts_.push_back(bytes_.size());
            slots_[at] = SlotOf(hash, number);
            return static_cast<std::uint32_t>(number);
        }
        const auto number = static_cast<std::uint32_t>(slot & 0xFFFFFFFFu) - 1;
        if (slot == SlotOf(hash, number) && Text(number) == text) {
            return number;
        }
    }
}

std::string_view CatalogTexts::Text(std::uint32_t number) const {
    return std::string_view(bytes_).substr(starts_[number], starts_[number + 1] - starts_[number]);
}

void CatalogTexts::Grow() {
    std::vector<std::uint64_t> slots(slots_.empty() ? 1024 : slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t number = 0; number < Size(); ++number) {
        const std::uint64_t hash = std::hash<std::string_view>{}(Text(number));
        std::size_t at = hash & mask;
        while (slots[at] != 0) {
            at = (at + 1) & mask;
        }
        slots[at] = SlotOf(hash, number);
    }
    slots_ = std::move(slots);
}

}  // namespace vantrel::store
