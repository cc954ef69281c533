#include "SoftwareCatalogTexts.h"

#include <functional>

namespace vantrel::store {

std::uint32_t CatalogTexts::NumberOf(std::string_view text) {
    if ((texts_.size() + 1) * 2 > slots_.size()) {
        Grow();
    }
    const std::size_t hash = std::hash<std::string_view>{}(text);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint32_t slot = slots_[at];
        if (slot == 0) {
            const auto number = static_cast<std::uint32_t>(texts_.size());
            texts_.emplace_back(text);
            hashes_.push_back(hash);
            slots_[at] = number + 1;
            return number;
        }
        if (hashes_[slot - 1] == hash && texts_[slot - 1] == text) {
            return slot - 1;
        }
    }
}

void CatalogTexts::Grow() {
    std::vector<std::uint32_t> slots(slots_.empty() ? 1024 : slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::size_t number = 0; number < texts_.size(); ++number) {
        std::size_t at = hashes_[number] & mask;
        while (slots[at] != 0) {
            at = (at + 1) & mask;
        }
        slots[at] = static_cast<std::uint32_t>(number + 1);
    }
    slots_ = std::move(slots);
}

}  // namespace vantrel::store
