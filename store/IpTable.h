#pragma once
// The database side of the batch dataset: loading table ip with each row's
// rowid, and writing a pending batch in one transaction. Callers hold the
// connection's lock.
//
// A loaded row is the same row in the database while its rowid holds the
// mac it was loaded with: reports key rows by mac and never change it.

#include <cstdint>
#include <vector>

#include "DatasetRow.h"
#include "StoreTypes.h"

struct sqlite3;

namespace vantrel::store {

class IpTable {
  public:
    struct Loaded {
        std::vector<FieldDef> fields;
        std::vector<DatasetRow> records;  // in rowid order, ids not yet given
        Row::Arena arena;                 // holds the records' values
    };

    // Runs the dataset's select and reads every row.
    static Loaded Load(sqlite3* db);

    // What a successful write did to one record of the batch.
    struct Written {
        std::size_t record = 0;
        std::int64_t rowid = 0;  // for inserted rows
        Row values;              // for inserted rows, as stored
    };

    struct BatchResult {
        std::vector<Written> written;
        std::vector<std::size_t> conflicts;  // indexes into the records
    };

    // Writes every record that is not Unchanged, in one transaction. An
    // update writes only the columns that differ from the loaded values, and
    // only while the row holds the loaded value in each of them; a row
    // changed there, or gone, is a conflict. A delete removes the row
    // whatever else changed, and one already gone is done; the row's mac
    // changed is a conflict. Conflicts are left out and the rest is written.
    // Any other failure rolls everything back and throws StoreError.
    // Records are not modified.
    static BatchResult WriteBatch(sqlite3* db, const std::vector<FieldDef>& fields,
                                  const std::vector<DatasetRow>& records);
};

}  // namespace vantrel::store
