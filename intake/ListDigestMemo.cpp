#include "ListDigestMemo.h"

#include <algorithm>
#include <utility>

namespace vantrel::intake {

ListDigestMemo::ListDigestMemo(std::size_t capacity)
    : capacity_(std::max<std::size_t>(capacity, 1)) {}

std::optional<std::string> ListDigestMemo::Find(const BytesFingerprint& field) const {
    std::optional<ReadList> found = FindList(field);
    if (!found) {
        return std::nullopt;
    }
    return std::move(found->digest);
}

std::optional<ListDigestMemo::ReadList> ListDigestMemo::FindList(
    const BytesFingerprint& field) const {
    const std::lock_guard lock(mutex_);
    const auto found = digests_.find(field);
    if (found == digests_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void ListDigestMemo::Remember(const BytesFingerprint& field, const std::string& digest) {
    Remember(field, ReadList{digest});
}

void ListDigestMemo::Remember(const BytesFingerprint& field, const ReadList& list) {
    const std::lock_guard lock(mutex_);
    if (!digests_.emplace(field, list).second) {
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
