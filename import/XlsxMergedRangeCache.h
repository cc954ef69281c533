#pragma once
// What the passes over one .xlsx learn of a sheet's merged ranges, kept
// for the process.

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "XlsxMergedRanges.h"
#include "ZipArchive.h"

namespace vantrel::import {

// The merged ranges of the sheets read last, so that the passes over one
// file (its preview, the count, the import) inflate the sheet for them only
// once. A sheet is known by its file, its part and the size and CRC its zip
// entry declares: reading the part to its end checks that CRC, so a sheet
// whose bytes changed under the same declaration fails there as damaged.
class MergedRangeCache {
  public:
    struct Key {
        std::string path;
        std::string part;
        ZipArchive::Declared declared;
        bool operator==(const Key& other) const {
            return path == other.path && part == other.part &&
                   declared.size == other.declared.size && declared.crc == other.declared.crc;
        }
    };

    std::optional<std::vector<MergedRange>> Find(const Key& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& [known, ranges] : entries_) {
            if (known == key) {
                return ranges;
            }
        }
        return std::nullopt;
    }

    void Keep(Key key, const std::vector<MergedRange>& ranges) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::erase_if(entries_, [&key](const auto& entry) { return entry.first == key; });
        entries_.emplace_front(std::move(key), ranges);
        if (entries_.size() > kEntries) {
            entries_.pop_back();
        }
    }

  private:
    static constexpr std::size_t kEntries = 4;
    std::mutex mutex_;
    std::deque<std::pair<Key, std::vector<MergedRange>>> entries_;
};

MergedRangeCache& MergedRanges();

}  // namespace vantrel::import
