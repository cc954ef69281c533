#pragma once
// Private state of InventoryMerge, shared by its two source files: the
// look-ups and decisions, and the writes.

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <ctime>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "HistoryWriter.h"
#include "InventoryDatabase.h"
#include "InventoryMerge.h"
#include "MacText.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace merge {

inline constexpr std::size_t kColumns = protocol::kIpColumns.size();

constexpr std::size_t MacColumn() {
    return protocol::IndexOf(protocol::IpColumnId::mac);
}
constexpr std::size_t PcNameColumn() {
    return protocol::IndexOf(protocol::IpColumnId::pcname);
}
static_assert(kColumns <= 32, "a row's columns are a 32-bit mask");

using StoredRow = std::array<FieldValue, kColumns>;

inline std::string ColumnList() {
    std::string list;
    for (const protocol::IpColumn& column : protocol::kIpColumns) {
        list += list.empty() ? "" : ",";
        list += column.name;
    }
    return list;
}

inline bool HasValue(const MergeValues& row, std::size_t column) {
    return row[column].has_value() && !row[column]->empty();
}

// Whether the stored value already is the given one; null and the empty
// text count as the same, as in the history of reports.
inline bool Same(const FieldValue& stored, const std::string& given) {
    return stored.value_or(std::string()) == given;
}

// Binds the texts a stored MAC reading as `mac` may have to the five
// parameters from `first` on; a text that is no MAC is looked up as it is.
inline void BindMacNotations(SqliteStatement& statement, int first, const std::string& mac) {
    if (const std::optional<std::uint64_t> bits = inventory::MacBits(mac)) {
        for (const std::string& notation : inventory::MacNotations(*bits)) {
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
inline constexpr char kMacNotationsSql[] = " where mac collate nocase in (?,?,?,?,?)";

struct Change {
    std::size_t column;
    FieldValue oldValue;
    std::string newValue;
    bool operator==(const Change&) const = default;
};

}  // namespace merge

struct InventoryMerge::Impl {
    using StoredRow = merge::StoredRow;
    using Change = merge::Change;

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
    // Rows without a MAC are matched with the rows that were there before
    // the write began, so that a write finds what a count found.
    sqlite3_int64 lastRowBefore = std::numeric_limits<sqlite3_int64>::max();
    std::string address;
    std::string time;
    bool open = false;

    Impl(InventoryDatabase& c, system::LocalClock k) : connection(c), clock(std::move(k)) {}

    void Prepare();
    void DropStatements();
    // The stored rows the given row would merge into, into `found`, whose
    // strings are reused from the call before: a row is looked up for
    // every row of a file.
    void Lookup(const MergeValues& row, std::vector<StoredRow>& found);
    // The distinct changes an update of `rows` with `row` makes; the MAC
    // itself is the key and is never rewritten.
    static std::vector<Change> ChangesOf(const std::vector<StoredRow>& rows,
                                         const MergeValues& row);
    MergeOutcome Decide(const MergeValues& row, bool updateExisting, std::vector<StoredRow>& rows,
                        std::vector<Change>& changes);
    static std::uint32_t MaskOf(const MergeValues& row, bool withMac);
    SqliteStatement& InsertFor(std::uint32_t mask);
    SqliteStatement& UpdateFor(std::uint32_t mask);
    void BindMasked(SqliteStatement& statement, const MergeValues& row, std::uint32_t mask);
    void Insert(const MergeValues& row);
    // Writes the changed columns into the rows the given row's MAC finds;
    // their MACs stay as stored.
    void Write(const MergeValues& row, const std::vector<Change>& changes);
    void Update(const MergeValues& row, const std::vector<StoredRow>& rows,
                const std::vector<Change>& changes);
    void Record(const std::string& mac, const std::vector<Change>& changes);
    void Execute(const char* sql);
};

}  // namespace vantrel::store
