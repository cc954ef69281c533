#include "InventoryMerge.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <ctime>
#include <map>
#include <mutex>
#include <vector>

#include "HistoryWriter.h"
#include "InventoryDatabase.h"
#include "SqliteStatement.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

constexpr std::size_t kColumns = protocol::kIpColumns.size();

constexpr std::size_t MacColumn() {
    return protocol::IndexOf(protocol::IpColumnId::mac);
}
constexpr std::size_t PcNameColumn() {
    return protocol::IndexOf(protocol::IpColumnId::pcname);
}
static_assert(kColumns <= 32, "a row's columns are a 32-bit mask");

using StoredRow = std::array<FieldValue, kColumns>;

std::string ColumnList() {
    std::string list;
    for (const protocol::IpColumn& column : protocol::kIpColumns) {
        list += list.empty() ? "" : ",";
        list += column.name;
    }
    return list;
}

bool HasValue(const MergeValues& row, std::size_t column) {
    return row[column].has_value() && !row[column]->empty();
}

// Whether the stored value already is the given one; null and the empty
// text count as the same, as in the history of reports.
bool Same(const FieldValue& stored, const std::string& given) {
    return stored.value_or(std::string()) == given;
}

struct Change {
    std::size_t column;
    FieldValue oldValue;
    std::string newValue;
    bool operator==(const Change&) const = default;
};

}  // namespace

struct InventoryMerge::Impl {
    InventoryDatabase& connection;
    system::LocalClock clock;
    std::unique_lock<std::recursive_mutex> lock;  // held from Begin to Commit or Rollback
    sqlite3* db = nullptr;                        // of the statements below
    std::optional<SqliteStatement> byMac;
    std::optional<SqliteStatement> withoutMac;
    std::map<std::uint32_t, SqliteStatement> inserts;  // by the columns given
    std::map<std::uint32_t, SqliteStatement> updates;
    std::optional<HistoryWriter> history;
    std::vector<StoredRow> applied;  // what Apply looked up last
    std::string address;
    std::string time;
    bool open = false;

    Impl(InventoryDatabase& c, system::LocalClock k) : connection(c), clock(std::move(k)) {}

    void Prepare() {
        sqlite3* handle = connection.Handle();
        if (handle == db && byMac) {
            return;
        }
        DropStatements();
        db = handle;
        byMac.emplace(db, "select " + ColumnList() + " from ip where mac=?1");
        withoutMac.emplace(
            db, "select " + ColumnList() + " from ip where (mac is null or mac='') and pcname=?1");
    }

    void DropStatements() {
        byMac.reset();
        withoutMac.reset();
        inserts.clear();
        updates.clear();
        history.reset();
        db = nullptr;
    }

    // The stored rows the given row would merge into, into `found`, whose
    // strings are reused from the call before: a row is looked up for
    // every row of a file.
    void Lookup(const MergeValues& row, std::vector<StoredRow>& found) {
        const bool mac = HasValue(row, MacColumn());
        SqliteStatement& select = mac ? *byMac : *withoutMac;
        const SqliteStatement::ResetOnExit reset(select);
        select.BindText(1, mac ? *row[MacColumn()] : row[PcNameColumn()].value_or(std::string()));
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

    // The distinct changes an update of `rows` with `row` makes; the MAC
    // itself is the key and is never rewritten.
    static std::vector<Change> ChangesOf(const std::vector<StoredRow>& rows,
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

    MergeOutcome Decide(const MergeValues& row, bool updateExisting, std::vector<StoredRow>& rows,
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

    static std::uint32_t MaskOf(const MergeValues& row, bool withMac) {
        std::uint32_t mask = 0;
        for (std::size_t c = 0; c < kColumns; ++c) {
            if (HasValue(row, c) && (withMac || c != MacColumn())) {
                mask |= 1u << c;
            }
        }
        return mask;
    }

    SqliteStatement& InsertFor(std::uint32_t mask) {
        auto found = inserts.find(mask);
        if (found == inserts.end()) {
            std::string names;
            std::string values;
            for (std::size_t c = 0; c < kColumns; ++c) {
                if ((mask & (1u << c)) != 0) {
                    names += names.empty() ? "" : ",";
                    names += protocol::kIpColumns[c].name;
                    values += values.empty() ? "?" : ",?";
                }
            }
            const std::string sql = mask == 0
                                        ? "insert into ip default values"
                                        : "insert into ip (" + names + ") values (" + values + ")";
            found = inserts.emplace(mask, SqliteStatement(db, sql)).first;
        }
        return found->second;
    }

    SqliteStatement& UpdateFor(std::uint32_t mask) {
        auto found = updates.find(mask);
        if (found == updates.end()) {
            std::string sets;
            for (std::size_t c = 0; c < kColumns; ++c) {
                if ((mask & (1u << c)) != 0) {
                    sets += sets.empty() ? "" : ",";
                    sets += std::string(protocol::kIpColumns[c].name) + "=?";
                }
            }
            found =
                updates.emplace(mask, SqliteStatement(db, "update ip set " + sets + " where mac=?"))
                    .first;
        }
        return found->second;
    }

    void BindMasked(SqliteStatement& statement, const MergeValues& row, std::uint32_t mask) {
        int index = 1;
        for (std::size_t c = 0; c < kColumns; ++c) {
            if ((mask & (1u << c)) != 0) {
                statement.BindText(index++, *row[c]);
            }
        }
    }

    void Insert(const MergeValues& row) {
        const std::uint32_t mask = MaskOf(row, true);
        SqliteStatement& insert = InsertFor(mask);
        const SqliteStatement::ResetOnExit reset(insert);
        BindMasked(insert, row, mask);
        insert.Step();
    }

    void Update(const MergeValues& row, const std::vector<Change>& changes) {
        // Only the columns that change are written: the others hold the
        // given value already.
        std::uint32_t mask = 0;
        for (const Change& change : changes) {
            mask |= 1u << change.column;
        }
        SqliteStatement& update = UpdateFor(mask);
        {
            const SqliteStatement::ResetOnExit reset(update);
            BindMasked(update, row, mask);
            update.BindText(std::popcount(mask) + 1, *row[MacColumn()]);
            update.Step();
        }
        // Recorded as a report's changes are, with the same bounds: each
        // MAC keeps its newest entries, and long values are kept cut.
        if (!history) {
            history.emplace(db);
        }
        const std::string& key = *row[MacColumn()];
        std::vector<ReportChange> recorded;
        recorded.reserve(changes.size());
        for (const Change& change : changes) {
            recorded.push_back(
                {protocol::kIpColumns[change.column].name, change.oldValue, change.newValue});
        }
        history->Record(key, address, time, recorded);
    }

    void Execute(const char* sql) {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
            ThrowSqliteError(db);
        }
    }
};

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
        d.Update(row, changes);
    }
    return outcome;
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
    d.lock.unlock();
}

void InventoryMerge::Rollback() {
    Impl& d = *impl_;
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
