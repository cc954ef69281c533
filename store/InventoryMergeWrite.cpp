// The writes of a merge: new rows, updates and their history.
#include <algorithm>
#include <bit>
#include <iterator>

#include "InventoryMergeImpl.h"
#include "StoreError.h"

namespace vantrel::store {

using namespace merge;

std::uint32_t InventoryMerge::Impl::MaskOf(const MergeValues& row, bool withMac) {
    std::uint32_t mask = 0;
    for (std::size_t c = 0; c < kColumns; ++c) {
        if (HasValue(row, c) && (withMac || c != MacColumn())) {
            mask |= 1u << c;
        }
    }
    return mask;
}

SqliteStatement& InventoryMerge::Impl::InsertFor(std::uint32_t mask) {
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

SqliteStatement& InventoryMerge::Impl::UpdateFor(std::uint32_t mask) {
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
            updates.emplace(mask, SqliteStatement(db, "update ip set " + sets + kMacNotationsSql))
                .first;
    }
    return found->second;
}

void InventoryMerge::Impl::BindMasked(SqliteStatement& statement, const MergeValues& row,
                                      std::uint32_t mask) {
    int index = 1;
    for (std::size_t c = 0; c < kColumns; ++c) {
        if ((mask & (1u << c)) != 0) {
            statement.BindText(index++, *row[c]);
        }
    }
}

void InventoryMerge::Impl::Insert(const MergeValues& row) {
    const std::uint32_t mask = MaskOf(row, true);
    SqliteStatement& insert = InsertFor(mask);
    const SqliteStatement::ResetOnExit reset(insert);
    BindMasked(insert, row, mask);
    insert.Step();
}

void InventoryMerge::Impl::Write(const MergeValues& row, const std::vector<Change>& changes) {
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

void InventoryMerge::Impl::Update(const MergeValues& row, const std::vector<StoredRow>& rows,
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

void InventoryMerge::Impl::Record(const std::string& mac, const std::vector<Change>& changes) {
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

void InventoryMerge::Impl::Execute(const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        ThrowSqliteError(db);
    }
}

}  // namespace vantrel::store
