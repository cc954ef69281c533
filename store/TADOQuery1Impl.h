#pragma once
// Private state of TADOQuery1, shared by its two source files: the rows,
// the view over them, the pending batch and the edit in progress.

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "StoreError.h"
#include "TADOConnection.h"
#include "TADOQuery1.h"
#include "TFilterCondition.h"
#include "TIpTable.h"
#include "TRecord.h"

namespace vantrel::store {

namespace query1 {

inline constexpr const char* kClosed = "Operation is not allowed when the dataset is closed";
inline constexpr const char* kEmpty = "Cannot perform this operation on an empty dataset";

// Ascending, nulls first, bytes compared unsigned (std::string_view's
// compare is memcmp-like, which is unsigned).
inline bool Before(const FieldValue& a, const FieldValue& b) {
    if (!a || !b) {
        return !a && b;
    }
    return std::string_view(*a) < std::string_view(*b);
}

}  // namespace query1

struct TADOQuery1::Impl {
    TADOConnection* connection = nullptr;
    bool active = false;
    std::vector<FieldDef> fields;
    std::vector<TRecord> records;   // loaded rows, then new rows
    std::vector<std::size_t> view;  // indexes into records
    Bookmark nextId = 1;
    long long current = -1;
    bool eof = true;
    std::string filter;
    std::optional<TFilterCondition> condition;
    std::string sort;
    int sortField = -1;

    // The edit in progress of the current row.
    bool editing = false;
    bool editNew = false;
    bool editTouched = false;
    std::vector<FieldValue> editValues;

    void RequireActive() const {
        if (!active) {
            throw StoreError(query1::kClosed);
        }
    }

    TRecord& CurrentRecord() { return records[view[static_cast<std::size_t>(current)]]; }

    // Stable order by the sort field over the view in record order. The keys
    // are gathered first so that the sort compares them without chasing
    // each record's values.
    void SortView() {
        std::sort(view.begin(), view.end());
        if (sortField < 0) {
            return;
        }
        auto f = static_cast<std::size_t>(sortField);
        std::vector<std::pair<const FieldValue*, std::size_t>> keys;
        keys.reserve(view.size());
        for (std::size_t index : view) {
            keys.emplace_back(&records[index].values[f], index);
        }
        std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
            return query1::Before(*a.first, *b.first);
        });
        for (std::size_t row = 0; row < keys.size(); ++row) {
            view[row] = keys[row].second;
        }
    }

    void RebuildView() {
        view.clear();
        for (std::size_t i = 0; i < records.size(); ++i) {
            const TRecord& record = records[i];
            if (record.state != RecordState::Deleted &&
                (!condition || condition->Matches(record.values))) {
                view.push_back(i);
            }
        }
        SortView();
    }

    void MoveTo(long long row) {
        current = view.empty() ? -1 : std::clamp<long long>(row, 0, ssize(view) - 1);
        eof = view.empty();
    }

    // Removes records[index] for good; the view follows.
    void EraseRecord(std::size_t index) {
        records.erase(records.begin() + static_cast<std::ptrdiff_t>(index));
        std::erase(view, index);
        for (std::size_t& v : view) {
            v -= v > index ? 1 : 0;
        }
    }

    // Removes every deleted record in one pass; the view follows.
    void EraseDeleted() {
        std::vector<std::size_t> moved(records.size());
        std::size_t kept = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            moved[i] = kept;
            if (records[i].state != RecordState::Deleted) {
                if (kept != i) {
                    records[kept] = std::move(records[i]);
                }
                ++kept;
            }
        }
        records.resize(kept);
        for (std::size_t& v : view) {
            v = moved[v];
        }
    }

    // Drops the current row when it is a new row not yet posted.
    void DropNewRow() {
        EraseRecord(view[static_cast<std::size_t>(current)]);
        editing = false;
        MoveTo(current);
    }

    void EndEdit() {
        if (!editing) {
            return;
        }
        if (editNew && !editTouched) {
            DropNewRow();
            return;
        }
        editing = false;
        TRecord& record = CurrentRecord();
        if (editNew || record.state == RecordState::Inserted) {
            record.values = std::move(editValues);
        } else if (editValues != record.values) {
            if (record.state == RecordState::Unchanged) {
                record.loaded = std::make_unique<std::vector<FieldValue>>(std::move(record.values));
                record.state = RecordState::Modified;
            }
            record.values = std::move(editValues);
            if (record.values == *record.loaded) {
                // Edited back to what was loaded: nothing left to save.
                record.loaded.reset();
                record.state = RecordState::Unchanged;
            }
        }
        editValues.clear();
    }

    std::size_t RowIndex(std::size_t row) const {
        if (!active) {
            throw StoreError(query1::kClosed);
        }
        if (row >= view.size()) {
            throw StoreError("Row " + std::to_string(row) + " is out of range");
        }
        return view[row];
    }

    void Load() {
        auto guard = connection->Lock();
        TIpTable::Loaded loaded = TIpTable::Load(connection->Handle());
        fields = std::move(loaded.fields);
        records = std::move(loaded.records);
        for (TRecord& record : records) {
            record.id = nextId++;
        }
    }

    // Lays the pending changes of `old` over freshly loaded records: the
    // fresh row of a modified or deleted record is replaced by the pending
    // one, which keeps the values it was loaded with so that a save still
    // notices what changed underneath. New rows follow at the end.
    void Overlay(std::vector<TRecord> old) {
        std::unordered_map<std::int64_t, std::size_t> pending;
        for (std::size_t i = 0; i < old.size(); ++i) {
            RecordState state = old[i].state;
            if (state == RecordState::Modified || state == RecordState::Deleted) {
                pending.emplace(old[i].rowid, i);
            }
        }
        for (TRecord& record : records) {
            auto found = pending.find(record.rowid);
            if (found != pending.end()) {
                record = std::move(old[found->second]);
                pending.erase(found);
            }
        }
        for (TRecord& record : old) {
            // A modified row that vanished stays, so that its save reports
            // the conflict instead of the edit silently disappearing; a
            // deletion of a vanished row has nothing left to do.
            bool vanishedEdit =
                record.state == RecordState::Modified && pending.count(record.rowid) != 0;
            if (record.state == RecordState::Inserted || vanishedEdit) {
                records.push_back(std::move(record));
            }
        }
    }
};

}  // namespace vantrel::store
