#include "InventoryMerge.h"

#include <sqlite3.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <ctime>
#include <iterator>
#include <limits>
#include <map>
#include <mutex>
#include <vector>

#include "HistoryWriter.h"
#include "InventoryDatabase.h"
#include "MacText.h"
#include "SqliteStatement.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

constexpr std::size_t kColumns = protocol::kIpColumns.size();

std::size_t IndexOf(std::string_view name) {
    for (std::size_t i = 0; i < kColumns; ++i) {
        if (protocol::kIpColumns[i].name == name) {
            return i;
        }
    }
    return kColumns;
}
// Looked up at first use: the table's titles are made at start-up.
std::size_t MacColumn() {
    static const std::size_t index = IndexOf("mac");
    return index;
}
std::size_t PcNameColumn() {
    static const std::size_t index = IndexOf("pcname");
    return index;
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

std::tm SystemLocalTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

bool HasValue(const MergeValues& row, std::size_t column) {
    return row[column].has_value() && !row[column]->empty();
}

// Whether the stored value already is the given one; null and the empty
// text count as the same, as in the history of reports.
bool Same(const FieldValue& stored, const std::string& given) {
    return stored.value_or(std::string()) == given;
}

// Binds the texts a stored MAC reading as `mac` may have to the five
// parameters from `first` on; a text that is no MAC is looked up as it is.
void BindMacNotations(SqliteStatement& statement, int first, const std::string& mac) {
    if (const std::optional<std::uint64_t> bits = MacBits(mac)) {
        for (const std::string& notation : MacNotations(*bits)) {
            statement.BindText(first++, notation);
        }
        return;
    }
    for (int i = 0; i < 5; ++i) {
        statement.BindText(first + i, mac);
    }
}

// Column mac is indexed; the collation keeps the index usable and makes the
// comparison ignore case also in a table made without it.
constexpr char kMacNotationsSql[] = " where mac collate nocase in (?,?,?,?,?)";

struct Change {
    std::size_t column;
    FieldValue oldValue;
    std::string newValue;
    bool operator==(const Change&) const = default;
};

}  // namespace

struct InventoryMerge::Impl {
    InventoryDatabase& connection;
    HistoryClock clock;
    std::unique_lock<std::recursive_mutex> lock;  // held from Begin to Commit or Rollback
    sqlite3* db = nullptr;                        // of the statements below
    std::optional<SqliteStatement> byMac;
    std::optional<SqliteStatement> withoutMac;
    std::map<std::uint32_t, SqliteStatement> inserts;  // by the columns given
    std::map<std::uint32_t, SqliteStatement> updates;
    std::optional<HistoryWriter> history;
    std::vector<StoredRow> applied;  // what Apply looked up last
    // Rows without a MAC are matched with the rows that were there before
    // the write began, so that a write finds what a count found.
    sqlite3_int64 lastRowBefore = std::numeric_limits<sqlite3_int64>::max();
    std::string address;
    std::string time;
    bool open = false;

    Impl(InventoryDatabase& c, HistoryClock k) : connection(c), clock(std::move(k)) {}

    void Prepare() {
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
                updates
                    .emplace(mask, SqliteStatement(db, "update ip set " + sets + kMacNotationsSql))
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

    // Writes the changed columns into the rows the given row's MAC finds;
    // their MACs stay as stored.
    void Write(const MergeValues& row, const std::vector<Change>& changes) {
        // Only the columns that change are written: the others hold the
        // given value already.
        std::uint32_t mask = 0;
        for (const Change& change : changes) {
            mask |= 1u << change.column;
        }
        SqliteStatement& update = UpdateFor(mask);
        const SqliteStatement::ResetOnExit reset(update);
        BindMasked(update, row, mask);
        BindMacNotations(update, std::popcount(mask) + 1, *row[MacColumn()]);
        update.Step();
    }

    void Update(const MergeValues& row, const std::vector<StoredRow>& rows,
                const std::vector<Change>& changes) {
        Write(row, changes);
        // Recorded as a report's changes are, with the same bounds: each
        // MAC keeps its newest entries, and long values are kept cut. The
        // history goes under the MAC as the row stores it, where the row's
        // history is looked for; rows stored in two notations have one each.
        if (!history) {
            history.emplace(db);
        }
        const std::string& firstMac = *rows.front()[MacColumn()];
        if (std::all_of(rows.begin(), rows.end(), [&firstMac](const StoredRow& stored) {
                return *stored[MacColumn()] == firstMac;
            })) {
            Record(firstMac, changes);
            return;
        }
        std::vector<std::string> macs;
        for (const StoredRow& stored : rows) {
            const std::string& mac = *stored[MacColumn()];
            if (std::find(macs.begin(), macs.end(), mac) != macs.end()) {
                continue;
            }
            macs.push_back(mac);
            std::vector<StoredRow> same;
            std::copy_if(rows.begin(), rows.end(), std::back_inserter(same),
                         [&mac](const StoredRow& other) { return *other[MacColumn()] == mac; });
            Record(mac, ChangesOf(same, row));
        }
    }

    void Record(const std::string& mac, const std::vector<Change>& changes) {
        if (changes.empty()) {
            return;
        }
        std::vector<ReportChange> recorded;
        recorded.reserve(changes.size());
        for (const Change& change : changes) {
            recorded.push_back(
                {protocol::kIpColumns[change.column].name, change.oldValue, change.newValue});
        }
        history->Record(mac, address, time, recorded);
    }

    void Execute(const char* sql) {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
            ThrowSqliteError(db);
        }
    }
};

InventoryMerge::InventoryMerge(InventoryDatabase& connection, HistoryClock clock)
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
        d.time = HistoryTime(d.clock ? d.clock() : SystemLocalTime());
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
