#pragma once
// Remembers the digest of the programs lists the intake has read, by the
// fingerprint of the field's text, so that a PC sending the same list again
// is told apart from a changed one without sorting and hashing its lines
// once more. Shared by the connection threads; bounded: past its capacity
// the oldest entries go first.

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "BytesFingerprint.h"

namespace vantrel::intake {

class ListDigestMemo {
  public:
    // Lists of more PCs than this cost the full digest now and then.
    static constexpr std::size_t kDefaultCapacity = 8192;

    // What reading a field's text gave: the digest of the lines kept and
    // the counts the event log tells, all following from the text alone.
    struct ReadList {
        std::string digest;
        std::size_t kept = 0;
        std::size_t skipped = 0;
        std::size_t dropped = 0;
    };

    explicit ListDigestMemo(std::size_t capacity = kDefaultCapacity);

    // The digest remembered for a field with this fingerprint.
    std::optional<std::string> Find(const BytesFingerprint& field) const;
    // All that is remembered for it.
    std::optional<ReadList> FindList(const BytesFingerprint& field) const;
    // Remembers it; a fingerprint already known keeps its entry.
    void Remember(const BytesFingerprint& field, const std::string& digest);
    void Remember(const BytesFingerprint& field, const ReadList& list);
    std::size_t Size() const;

  private:
    struct Hasher {
        std::size_t operator()(const BytesFingerprint& key) const {
            return static_cast<std::size_t>(key.low);
        }
    };
    std::size_t capacity_;
    mutable std::mutex mutex_;
    std::unordered_map<BytesFingerprint, ReadList, Hasher> digests_;
    std::deque<BytesFingerprint> order_;  // oldest first
};

}  // namespace vantrel::intake
