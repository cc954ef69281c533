#include "InventoryMerge.h"

#include <sqlite3.h>

#include <algorithm>
#include <limits>

#include "InventoryMergeImpl.h"
#include "MacText.h"
#include "StoreError.h"

namespace vantrel::store {

using namespace merge;

void InventoryMerge::Impl::Prepare() {
    sqlite3* handle = connection.Handle();
    if (handle == db && byMac) {
        return;
    }
    DropStatements();
    db = handle;
    byMac.emplace(db, "select " + ColumnList() + " from ip" + kMacNotationsSql);
    withoutMac.emplace(db, "select " + ColumnList() +
                               " from ip where (mac is null or mac='') and pcname=?1 and "
                               "rowid<=?2");
}

void InventoryMerge::Impl::DropStatements() {
    byMac.reset();
    withoutMac.reset();
    inserts.clear();
    updates.clear();
    history.reset();
    db = nullptr;
}

void InventoryMerge::Impl::Lookup(const MergeValues& row, std::vector<StoredRow>& found) {
    const bool mac = HasValue(row, MacColumn());
    SqliteStatement& select = mac ? *byMac : *withoutMac;
    const SqliteStatement::ResetOnExit reset(select);
    if (mac) {
        BindMacNotations(select, 1, *row[MacColumn()]);
    } else {
        select.BindText(1, row[PcNameColumn()].value_or(std::string()));
        select.BindInt64(2, lastRowBefore);
    }
    std::size_t count = 0;
    while (select.Step()) {
        if (count == found.size()) {
            found.emplace_back();
        }
        StoredRow& stored = found[count++];
        for (std::size_t c = 0; c < kColumns; ++c) {
            if (select.IsNull(static_cast<int>(c))) {
                stored[c].reset();
            } else if (stored[c]) {
                stored[c]->assign(select.Bytes(static_cast<int>(c)));
            } else {
                stored[c].emplace(select.Bytes(static_cast<int>(c)));
            }
        }
    }
    found.resize(count);
}

std::vector<Change> InventoryMerge::Impl::ChangesOf(const std::vector<StoredRow>& rows,
                                                    const MergeValues& row) {
    std::vector<Change> changes;
    for (const StoredRow& stored : rows) {
        for (std::size_t c = 0; c < kColumns; ++c) {
            if (c == MacColumn() || !HasValue(row, c) || Same(stored[c], *row[c])) {
                continue;
            }
            Change change{c, stored[c], *row[c]};
            if (std::find(changes.begin(), changes.end(), change) == changes.end()) {
                changes.push_back(std::move(change));
            }
        }
    }
    return changes;
}

MergeOutcome InventoryMerge::Impl::Decide(const MergeValues& row, bool updateExisting,
                                          std::vector<StoredRow>& rows,
                                          std::vector<Change>& changes) {
    Lookup(row, rows);
    if (!HasValue(row, MacColumn())) {
        for (const StoredRow& stored : rows) {
            if (ChangesOf({stored}, row).empty()) {
                return MergeOutcome::Unchanged;
            }
        }
        return MergeOutcome::Added;
    }
    if (rows.empty()) {
        return MergeOutcome::Added;
    }
    if (!updateExisting) {
        return MergeOutcome::Kept;
    }
    changes = ChangesOf(rows, row);
    return changes.empty() ? MergeOutcome::Unchanged : MergeOutcome::Updated;
}
InventoryMerge::InventoryMerge(InventoryDatabase& connection, system::LocalClock clock)
    : impl_(std::make_unique<Impl>(connection, std::move(clock))) {}

InventoryMerge::~InventoryMerge() {
    Rollback();
    auto guard = impl_->connection.Lock();
    impl_->DropStatements();
}

MergeOutcome InventoryMerge::Classify(const MergeValues& row, bool updateExisting) {
    auto guard = impl_->connection.Lock();
    impl_->Prepare();
    std::vector<StoredRow> rows;
    std::vector<Change> changes;
    return impl_->Decide(row, updateExisting, rows, changes);
}

void InventoryMerge::Classify(const std::vector<MergeValues>& rows, bool updateExisting,
                              std::vector<MergeOutcome>& outcomes) {
    Impl& d = *impl_;
    auto guard = d.connection.Lock();
    d.Prepare();
    outcomes.clear();
    // Inside a transaction already (a write of this connection), the rows
    // are read in it.
    const bool own = sqlite3_get_autocommit(d.db) != 0;
    if (own) {
        d.Execute("BEGIN");
    }
    try {
        std::vector<StoredRow> found;
        std::vector<Change> changes;
        for (const MergeValues& row : rows) {
            changes.clear();
            outcomes.push_back(d.Decide(row, updateExisting, found, changes));
        }
    } catch (...) {
        if (own && sqlite3_get_autocommit(d.db) == 0) {
            sqlite3_exec(d.db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        throw;
    }
    if (own) {
        d.Execute("COMMIT");  // ends the read; nothing was written
    }
}

void InventoryMerge::Begin(std::string address) {
    Impl& d = *impl_;
    d.lock = d.connection.Lock();
    try {
        d.Prepare();
        d.address = std::move(address);
        d.time = system::TimeText(system::LocalNow(d.clock));
        d.Execute("BEGIN IMMEDIATE");
        d.open = true;
        SqliteStatement last(d.db, "select max(rowid) from ip");
        d.lastRowBefore = last.Step() && !last.IsNull(0) ? last.Int64(0) : 0;
    } catch (...) {
        d.lock.unlock();
        throw;
    }
}

MergeOutcome InventoryMerge::Apply(const MergeValues& row, bool updateExisting) {
    Impl& d = *impl_;
    if (!d.open) {
        throw StoreError("The merge has no open transaction");
    }
    std::vector<StoredRow>& rows = d.applied;
    std::vector<Change> changes;
    const MergeOutcome outcome = d.Decide(row, updateExisting, rows, changes);
    if (outcome == MergeOutcome::Added) {
        d.Insert(row);
    } else if (outcome == MergeOutcome::Updated) {
        d.Update(row, rows, changes);
    }
    return outcome;
}

void InventoryMerge::Refill(const MergeValues& row) {
    Impl& d = *impl_;
    if (!d.open) {
        throw StoreError("The merge has no open transaction");
    }
    if (!HasValue(row, MacColumn())) {
        throw StoreError("A row without a MAC cannot be written again");
    }
    d.Lookup(row, d.applied);
    const std::vector<Change> changes = Impl::ChangesOf(d.applied, row);
    if (!changes.empty()) {
        d.Write(row, changes);
    }
}

void InventoryMerge::Commit() {
    Impl& d = *impl_;
    if (!d.open) {
        throw StoreError("The merge has no open transaction");
    }
    try {
        d.Execute("COMMIT");
    } catch (...) {
        Rollback();
        throw;
    }
    d.open = false;
    d.lastRowBefore = std::numeric_limits<sqlite3_int64>::max();
    d.lock.unlock();
}

void InventoryMerge::Rollback() {
    Impl& d = *impl_;
    d.lastRowBefore = std::numeric_limits<sqlite3_int64>::max();
    if (d.open) {
        if (sqlite3_get_autocommit(d.db) == 0) {
            sqlite3_exec(d.db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        d.open = false;
    }
    if (d.lock.owns_lock()) {
        d.lock.unlock();
    }
}

}  // namespace vantrel::store
