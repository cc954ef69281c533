// The dataset following what reports store, row by row, without a re-query.
#include <unordered_map>
#include <unordered_set>

#include "InventoryDatasetImpl.h"

namespace vantrel::store {

std::vector<std::size_t> InventoryDataset::ApplyStored(const std::vector<WrittenRow>& rows,
                                                       long long keepRow) {
    Impl& d = *impl_;
    std::vector<std::size_t> changedRows;
    if (!d.active || rows.empty()) {
        return changedRows;
    }
    std::unordered_map<std::int64_t, const WrittenRow*> stored;
    stored.reserve(rows.size());
    for (const WrittenRow& row : rows) {
        stored[row.rowid] = &row;  // the later write wins
    }
    // The report's columns in the dataset, the MAC aside: a report writes
    // it on an existing row only when the row takes a new MAC.
    std::vector<std::pair<std::size_t, std::string HardwareReport::*>> columns;
    for (const ReportField& field : kReportFields) {
        const int index = FieldIndex(field.column);
        if (field.column != "mac" && index >= 0) {
            columns.emplace_back(static_cast<std::size_t>(index), field.value);
        }
    }
    const int mac = FieldIndex("mac");
    auto viewRecord = [&d](long long row) -> long long {
        return row >= 0 && static_cast<std::size_t>(row) < d.view.size()
                   ? static_cast<long long>(d.view[static_cast<std::size_t>(row)])
                   : -1;
    };
    const long long editing = d.editing ? viewRecord(d.current) : -1;
    const long long kept = viewRecord(keepRow);
    std::vector<bool> changed(d.records.size(), false);
    bool any = false;
    for (std::size_t i = 0; i < d.records.size(); ++i) {
        DatasetRow& record = d.records[i];
        if (record.state != RecordState::Unchanged || record.conflict ||
            static_cast<long long>(i) == editing || static_cast<long long>(i) == kept) {
            continue;
        }
        const auto found = stored.find(record.rowid);
        if (found == stored.end()) {
            continue;
        }
        std::vector<FieldValue> values = record.values.Values();
        bool differs = false;
        for (const auto& [index, member] : columns) {
            const std::string& value = found->second->values.*member;
            if (!values[index] || *values[index] != value) {
                values[index] = value;
                differs = true;
            }
        }
        // A PC that reported under a new MAC: its row took that MAC.
        if (found->second->macMoved && mac >= 0) {
            const std::string& value = found->second->values.mac;
            auto& held = values[static_cast<std::size_t>(mac)];
            if (!held || *held != value) {
                held = value;
                differs = true;
            }
        }
        if (differs) {
            record.values = Row(values);
            changed[i] = true;
            any = true;
        }
    }
    if (!any) {
        return changedRows;
    }
    for (std::size_t r = 0; r < d.view.size(); ++r) {
        if (changed[d.view[r]]) {
            changedRows.push_back(r);
        }
    }
    return changedRows;
}

std::uint64_t InventoryDataset::Loads() const {
    return impl_->loads;
}

void InventoryDataset::DropLoadedRowids(std::vector<std::int64_t>& rowids) const {
    const Impl& d = *impl_;
    if (rowids.empty()) {
        return;
    }
    std::unordered_set<std::int64_t> wanted(rowids.begin(), rowids.end());
    std::unordered_set<std::int64_t> loaded;
    for (const DatasetRow& record : d.records) {
        if (record.state != RecordState::Inserted && wanted.contains(record.rowid)) {
            loaded.insert(record.rowid);
        }
    }
    std::erase_if(rowids, [&loaded](std::int64_t rowid) { return loaded.contains(rowid); });
}

}  // namespace vantrel::store
