#include "ListDigestMemo.h"

#include <algorithm>

namespace vantrel::intake {

ListDigestMemo::ListDigestMemo(std::size_t capacity)
    : capacity_(std::max<std::size_t>(capacity, 1)) {}

std::optional<std::string> ListDigestMemo::Find(const BytesFingerprint& field) const {
    const std::lock_guard lock(mutex_);
    const auto found = digests_.find(field);
    if (found == digests_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void ListDigestMemo::Remember(const BytesFingerprint& field, const std::string& digest) {
    const std::lock_guard lock(mutex_);
    if (!digests_.emplace(field, digest).second) {
        return;
    }
    order_.push_back(field);
    if (order_.size() > capacity_) {
        digests_.erase(order_.front());
        order_.pop_front();
    }
}

std::size_t ListDigestMemo::Size() const {
    const std::lock_guard lock(mutex_);
    return digests_.size();
}

}  // namespace vantrel::intake
