#include "HistoryWriter.h"

#include <sqlite3.h>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "Gbk.h"
#include "GbkLiteral.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

bool KeptOut(std::string_view column) {
    const std::size_t i = protocol::IpColumnIndex(column);
    return i < protocol::kIpColumnCount && protocol::kIpColumns[i].keptOutOfHistory;
}

// The columns whose changes are recorded: every column an update writes
// (all report columns but the key) that is not kept out of the history.
bool IsCompared(const ReportField& field) {
    return field.column != "mac" && !KeptOut(field.column);
}

// The compared columns, for the selects of the old values.
std::string ColumnList() {
    std::string list;
    for (const ReportField& field : kReportFields) {
        if (IsCompared(field)) {
            list += list.empty() ? "" : ",";
            list += field.column;
        }
    }
    return list;
}

// Adds to `changes` what the rows `values` selects hold that differs from
// the report, each distinct change once. Returns whether it selected any.
bool Differences(SqliteStatement& values, const HardwareReport& report,
                 std::vector<ReportChange>& changes) {
    bool found = false;
    while (values.Step()) {
        found = true;
        int column = 0;
        for (const ReportField& field : kReportFields) {
            if (!IsCompared(field)) {
                continue;
            }
            const std::string& now = report.*field.value;
            const bool null = values.IsNull(column);
            const std::string_view before = values.Bytes(column);
            ++column;
            if (before == now) {
                continue;
            }
            ReportChange change{field.column, std::nullopt, now};
            if (!null) {
                change.oldValue = std::string(before);
            }
            if (std::find(changes.begin(), changes.end(), change) == changes.end()) {
                changes.push_back(std::move(change));
            }
        }
    }
    return found;
}

void BindStatic(sqlite3_stmt* statement, int index, std::string_view text) {
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        throw StoreError("value too long");
    }
    if (sqlite3_bind_text(statement, index, text.data() != nullptr ? text.data() : "",
                          static_cast<int>(text.size()), SQLITE_STATIC) != SQLITE_OK) {
        ThrowSqliteError(sqlite3_db_handle(statement));
    }
}

const std::string& CutMark() {
    return u8"…（已截断）"_gbk;
}

}  // namespace

HistoryWriter::HistoryWriter(sqlite3* db)
    : db_(db),
      oldValues_(db, "select " + ColumnList() + " from ip where mac=?1"),
      rowValues_(db, "select " + ColumnList() + " from ip where rowid=?1") {}

std::string_view HistoryWriter::CutValue(std::string_view value, std::string& buffer) {
    if (value.size() <= kMaxValueBytes) {
        return value;
    }
    const std::string& mark = CutMark();
    buffer.assign(text::CutAtCharBoundary(value, kMaxValueBytes - mark.size()));
    buffer += mark;
    return buffer;
}

bool HistoryWriter::IsCut(std::string_view stored) {
    const std::string& mark = CutMark();
    // A cut value fills the bound but for at most the half of a
    // double-byte character.
    return stored.size() + 1 >= kMaxValueBytes && stored.size() <= kMaxValueBytes &&
           stored.substr(stored.size() - mark.size()) == mark;
}

bool HistoryWriter::ChangesOf(const HardwareReport& report, std::vector<ReportChange>& changes) {
    const SqliteStatement::ResetOnExit reset(oldValues_);
    oldValues_.BindText(1, report.mac);
    changes.clear();
    return Differences(oldValues_, report, changes);
}

std::vector<ReportChange> HistoryWriter::ChangesOfRow(const HardwareReport& report,
                                                      std::int64_t rowid) {
    const SqliteStatement::ResetOnExit reset(rowValues_);
    rowValues_.BindInt64(1, rowid);
    std::vector<ReportChange> changes;
    Differences(rowValues_, report, changes);
    return changes;
}

void HistoryWriter::Record(std::string_view key, std::string_view address, std::string_view time,
                           const std::vector<ReportChange>& changes) {
    if (!add_) {
        add_.emplace(db_,
                     "insert into ip_history (mac,field,oldvalue,newvalue,changetime,address) "
                     "values (?1,?2,?3,?4,?5,?6)");
    }
    // The values outlive the statement's steps: bound without a copy. The
    // key, time and address stay bound from one row to the next.
    sqlite3_stmt* add = add_->Get();
    {
        const SqliteStatement::ResetOnExit reset(*add_);
        BindStatic(add, 1, key);
        BindStatic(add, 5, time);
        BindStatic(add, 6, address);
        std::string oldCut;
        std::string newCut;
        for (const ReportChange& change : changes) {
            // An import's changes come here without passing ChangesOf.
            if (KeptOut(change.column)) {
                continue;
            }
            BindStatic(add, 2, change.column);
            if (change.oldValue) {
                BindStatic(add, 3, CutValue(*change.oldValue, oldCut));
            } else {
                sqlite3_bind_null(add, 3);
            }
            BindStatic(add, 4, CutValue(change.newValue, newCut));
            add_->Step();
            sqlite3_reset(add);
        }
    }
    if (!prune_) {
        // The MAC index holds the id, so both the probe for the oldest
        // entry kept and the delete are range reads of that index.
        prune_.emplace(db_,
                       "delete from ip_history where mac=?1 and id<=(select id from ip_history "
                       "where mac=?1 order by id desc limit 1 offset ?2)");
    }
    const SqliteStatement::ResetOnExit reset(*prune_);
    BindStatic(prune_->Get(), 1, key);
    prune_->BindInt64(2, static_cast<std::int64_t>(kMaxEntriesPerMac));
    prune_->Step();
}

}  // namespace vantrel::store
