#pragma once
// One row held by the batch dataset, with its place in the pending batch.

#include <cstdint>

#include "Row.h"
#include "StoreTypes.h"

namespace vantrel::store {

enum class RecordState : std::uint8_t { Unchanged, Modified, Inserted, Deleted };

struct DatasetRow {
    std::int64_t rowid = 0;  // meaningless while Inserted
    Bookmark id = 0;         // stable identity for bookmarks, never 0
    RecordState state = RecordState::Unchanged;
    // The last save found the row changed in the database (or gone) and left
    // it pending; a re-query makes the database's values its new basis.
    bool conflict = false;
    Row values;  // as shown
    // Values as loaded, kept only once they differ from `values`.
    Row loaded;

    // The values the database held when the row was loaded.
    const Row& Loaded() const { return loaded.Empty() ? values : loaded; }
};

}  // namespace vantrel::store
