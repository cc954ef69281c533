#pragma once
// Rows brought in from a file merged into table ip: a row whose MAC the
// table holds updates that row, other rows are added. MACs compare by their
// twelve digits, whatever their notation and letter case on either side
// (see MacText.h); a stored MAC is never rewritten. Only the values given
// change; every value an update overwrites with a different one gets a row
// in ip_history under the MAC as the row stores it, as a report's would. A
// merge is one transaction: all of it is stored, or nothing.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "IpAsset.h"
#include "IpColumns.h"
#include "ReportStore.h"

namespace vantrel::store {

class InventoryDatabase;

// One imported row: a value for each column of protocol::kIpColumns, nullopt where
// the stored value stays as it is (a column not imported, an empty cell).
using MergeValues = std::array<std::optional<std::string>, protocol::kIpColumns.size()>;

enum class MergeOutcome {
    Added,      // a new row
    Updated,    // an existing row took new values
    Unchanged,  // the table already holds every value given
    Kept,       // an existing row left as it is: only new rows are added
};

class InventoryMerge {
  public:
    explicit InventoryMerge(InventoryDatabase& connection, system::LocalClock clock = {});
    ~InventoryMerge();
    InventoryMerge(const InventoryMerge&) = delete;
    InventoryMerge& operator=(const InventoryMerge&) = delete;

    // What Apply would do with the row now, writing nothing. Takes the
    // connection's lock for the call. Throws StoreError.
    MergeOutcome Classify(const MergeValues& row, bool updateExisting);
    // The same for a batch of rows, into `outcomes` (one for each): the
    // lock is taken once and the rows read in one read transaction, which
    // costs far less than a transaction per row. Throws StoreError.
    void Classify(const std::vector<MergeValues>& rows, bool updateExisting,
                  std::vector<MergeOutcome>& outcomes);

    // Opens the transaction, holding the connection's lock until Commit or
    // Rollback: reports wait meanwhile. `address` is written as the
    // history's address. Throws StoreError.
    void Begin(std::string address);
    // Writes one row inside the transaction. A row with a MAC updates the
    // rows with that MAC unless only new rows are wanted; a row without
    // one is added, unless a row without a MAC of the same PC name that
    // was there before Begin holds every value given (so importing a file
    // again adds nothing, and a write decides as a count does).
    MergeOutcome Apply(const MergeValues& row, bool updateExisting);
    // Writes the values of a later row of a PC that an earlier row of this
    // transaction added into that row, recording no history: the row is
    // new. Throws StoreError for a row without a MAC.
    void Refill(const MergeValues& row);
    // The asset fields of `row`, which has a MAC, for the record of its PC,
    // keyed by the MAC as the PC's row stores it (as given for a new row).
    // With `write`, between Begin and Commit, they are stored with history
    // under the import's address; without, they are only compared, taking
    // the connection's lock. Returns whether any field changes. Throws
    // AssetError for an asset number another PC has.
    bool MergeAsset(const MergeValues& row, const AssetChanges& changes, bool write);
    // Throws StoreError when the commit fails; nothing is stored then.
    void Commit();
    // Undoes everything since Begin; also done by the destructor.
    void Rollback();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::store
