#pragma once
// The database side of the batch dataset: loading table ip with each row's
// rowid, and writing a pending batch in one transaction. Callers hold the
// connection's lock.

#include <cstdint>
#include <vector>

#include "StoreTypes.h"
#include "TRecord.h"

struct sqlite3;

namespace vantrel::store {

class TIpTable {
  public:
    struct Loaded {
        std::vector<FieldDef> fields;
        std::vector<TRecord> records;  // in rowid order, ids not yet given
        TRow::Arena arena;             // holds the records' values
    };

    // Runs the dataset's select and reads every row.
    static Loaded Load(sqlite3* db);

    // What a successful write did to one record of the batch.
    struct Written {
        std::size_t record = 0;
        std::int64_t rowid = 0;  // for inserted rows
        TRow values;             // for inserted rows, as stored
    };

    // Writes every record that is not Unchanged, in one transaction. Updates
    // and deletes find their row by rowid and only when it still holds the
    // values as loaded; otherwise, and on any other failure, everything is
    // rolled back and StoreError is thrown. Records are not modified.
    static std::vector<Written> WriteBatch(sqlite3* db, const std::vector<FieldDef>& fields,
                                           const std::vector<TRecord>& records);
};

}  // namespace vantrel::store
