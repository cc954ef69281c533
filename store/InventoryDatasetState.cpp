// InventoryDataset: the pending state of single rows, as the grid marks it.
#include "InventoryDatasetImpl.h"

namespace vantrel::store {

InventoryDataset::RowStatus InventoryDataset::Status(std::size_t row) const {
    const Impl& d = *impl_;
    const DatasetRow& record = d.records[d.RowIndex(row)];
    if (record.state == RecordState::Inserted) {
        return RowStatus::Inserted;
    }
    if (record.state == RecordState::Modified) {
        return RowStatus::Modified;
    }
    const bool editing = d.editing && static_cast<long long>(row) == d.current;
    if (editing && d.editValues != record.values.Values()) {
        return RowStatus::Modified;
    }
    return RowStatus::Unchanged;
}

bool InventoryDataset::FieldChanged(std::size_t row, std::size_t field) const {
    const Impl& d = *impl_;
    const DatasetRow& record = d.records[d.RowIndex(row)];
    if (record.state == RecordState::Inserted) {
        return true;
    }
    if (field >= d.fields.size()) {
        return false;
    }
    return Value(row, field) != record.Loaded().Get(field);
}

bool InventoryDataset::Modified() const {
    return impl_->editing && impl_->editTouched;
}

std::size_t InventoryDataset::PendingCount() const {
    const Impl& d = *impl_;
    std::size_t count = 0;
    for (const DatasetRow& record : d.records) {
        count += record.state != RecordState::Unchanged ? 1 : 0;
    }
    if (d.editing && d.current >= 0) {
        const DatasetRow& record = d.records[d.view[static_cast<std::size_t>(d.current)]];
        if (d.editNew && !d.editTouched) {
            --count;  // dropped when the edit ends
        } else if (record.state == RecordState::Unchanged &&
                   d.editValues != record.values.Values()) {
            ++count;
        }
    }
    return count;
}

}  // namespace vantrel::store
