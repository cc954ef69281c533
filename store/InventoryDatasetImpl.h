#pragma once
// Private state of InventoryDataset, shared by its source files
// (InventoryDataset*.cpp): the rows, the view over them, the pending batch
// and the edit in progress.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DatasetRow.h"
#include "FilterCondition.h"
#include "InventoryDatabase.h"
#include "InventoryDataset.h"
#include "InventoryDatasetSort.h"
#include "IpTable.h"
#include "StoreError.h"

namespace vantrel::store {

namespace datasetText {

inline constexpr const char* kClosed = "Operation is not allowed when the dataset is closed";
inline constexpr const char* kEmpty = "Cannot perform this operation on an empty dataset";

// A sort key gathered into one buffer: the first eight bytes big-endian,
// so that most comparisons are one integer compare, then the whole text.
struct SortKey {
    std::uint64_t prefix;
    std::uint32_t offset;  // into the key buffer
    std::uint32_t length;
    std::size_t index;  // into records
};

inline std::uint64_t Prefix(std::string_view text) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        prefix = (prefix << 8) | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0u);
    }
    return prefix;
}

}  // namespace datasetText

struct InventoryDataset::Impl {
    InventoryDatabase* connection = nullptr;
    bool active = false;
    std::vector<FieldDef> fields;
    Row::Arena arena;                 // values of the loaded rows
    std::vector<DatasetRow> records;  // loaded rows, then new rows
    std::vector<std::size_t> view;    // indexes into records
    Bookmark nextId = 1;
    std::uint64_t loads = 0;  // times the rows were read from the database
    long long current = -1;
    bool eof = true;
    FilterCondition filter;
    FilterCondition::Applied applied;  // the filter over `fields`
    std::string sort;
    int sortField = -1;

    // The edit in progress of the current row.
    bool editing = false;
    bool editNew = false;
    bool editTouched = false;
    std::vector<FieldValue> editValues;

    void RequireActive() const {
        if (!active) {
            throw StoreError(datasetText::kClosed);
        }
    }

    DatasetRow& CurrentRecord() { return records[view[static_cast<std::size_t>(current)]]; }

    // Stable order by the sort field over the view in record order:
    // ascending, nulls first, text in AppendSortKey's order. The keys are
    // first gathered into one buffer so that the sort never chases a record.
    void SortView() {
        std::sort(view.begin(), view.end());
        if (sortField < 0) {
            return;
        }
        auto f = static_cast<std::size_t>(sortField);
        std::vector<datasetText::SortKey> keys;
        keys.reserve(view.size());
        std::string bytes;
        std::size_t nulls = 0;
        for (std::size_t index : view) {
            const Row& row = records[index].values;
            if (row.IsNull(f)) {
                view[nulls++] = index;  // nulls first, in record order
                continue;
            }
            const std::size_t offset = bytes.size();
            AppendSortKey(bytes, row.Text(f));
            if (bytes.size() > UINT32_MAX) {
                throw StoreError("The values of the sort field are too long");
            }
            const std::string_view key = std::string_view(bytes).substr(offset);
            keys.push_back({datasetText::Prefix(key), static_cast<std::uint32_t>(offset),
                            static_cast<std::uint32_t>(key.size()), index});
        }
        const char* base = bytes.data();
        std::stable_sort(keys.begin(), keys.end(), [base](const auto& a, const auto& b) {
            if (a.prefix != b.prefix) {
                return a.prefix < b.prefix;
            }
            return std::string_view(base + a.offset, a.length) <
                   std::string_view(base + b.offset, b.length);
        });
        for (std::size_t k = 0; k < keys.size(); ++k) {
            view[nulls + k] = keys[k].index;
        }
    }

    void RebuildView() {
        view.clear();
        for (std::size_t i = 0; i < records.size(); ++i) {
            const DatasetRow& record = records[i];
            if (record.state != RecordState::Deleted &&
                ((record.state == RecordState::Inserted && applied.KeepsNewRows()) ||
                 applied.Matches(record.values))) {
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

    // Removes every deleted record that a save has written, in one pass; the
    // view follows.
    void EraseDeleted() {
        std::vector<std::size_t> moved(records.size());
        std::size_t kept = 0;
        for (std::size_t i = 0; i < records.size(); ++i) {
            moved[i] = kept;
            if (records[i].state != RecordState::Deleted || records[i].conflict) {
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
        DatasetRow& record = CurrentRecord();
        Row edited(editValues);
        if (editNew || record.state == RecordState::Inserted) {
            record.values = std::move(edited);
        } else if (!(edited == record.values)) {
            if (record.state == RecordState::Unchanged) {
                record.loaded = std::move(record.values);
                record.state = RecordState::Modified;
            }
            record.values = std::move(edited);
            if (record.values == record.loaded) {
                // Edited back to what was loaded: nothing left to save.
                record.loaded = Row();
                record.state = RecordState::Unchanged;
                record.conflict = false;
            }
        }
        editValues.clear();
    }

    std::size_t RowIndex(std::size_t row) const {
        if (!active) {
            throw StoreError(datasetText::kClosed);
        }
        if (row >= view.size()) {
            throw StoreError("Row " + std::to_string(row) + " is out of range");
        }
        return view[row];
    }

    void Load() {
        auto guard = connection->Lock();
        IpTable::Loaded loaded = IpTable::Load(connection->Handle());
        fields = std::move(loaded.fields);
        records = std::move(loaded.records);
        arena = std::move(loaded.arena);
        for (DatasetRow& record : records) {
            record.id = nextId++;
        }
        ++loads;
    }

    // Lays the pending changes of `old` over freshly loaded records (in
    // InventoryDatasetRequery.cpp).
    void Overlay(std::vector<DatasetRow> old);
    // Whether the row that held MAC `loaded` now holds `now` because its PC
    // reported by another card.
    bool MovedTo(const Row& loaded, const Row& now, std::size_t mac);
};

}  // namespace vantrel::store
