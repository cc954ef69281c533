#pragma once
// One row held by the batch dataset, with its place in the pending batch.

#include <cstdint>
#include <memory>
#include <vector>

#include "StoreTypes.h"

namespace vantrel::store {

enum class RecordState : std::uint8_t { Unchanged, Modified, Inserted, Deleted };

struct TRecord {
    std::int64_t rowid = 0;  // meaningless while Inserted
    Bookmark id = 0;         // stable identity for bookmarks, never 0
    RecordState state = RecordState::Unchanged;
    std::vector<FieldValue> values;  // as shown
    // Values as loaded, kept only once they differ from `values`.
    std::unique_ptr<std::vector<FieldValue>> loaded;

    // The values the database held when the row was loaded.
    const std::vector<FieldValue>& Loaded() const { return loaded ? *loaded : values; }
};

}  // namespace vantrel::store
