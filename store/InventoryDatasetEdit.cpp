// InventoryDataset: the edit in progress and the pending batch.
#include "InventoryDatasetImpl.h"

namespace vantrel::store {

void InventoryDataset::SetValue(std::size_t field, FieldValue value) {
    Impl& d = *impl_;
    d.RequireActive();
    if (d.current < 0) {
        throw StoreError(datasetText::kEmpty);
    }
    if (field >= d.fields.size()) {
        throw StoreError("Field " + std::to_string(field) + " is out of range");
    }
    if (!d.editing) {
        d.editing = true;
        d.editNew = false;
        d.editTouched = false;
        d.editValues = d.CurrentRecord().values.Values();
    }
    d.editValues[field] = std::move(value);
    d.editTouched = true;
}

bool InventoryDataset::Editing() const {
    return impl_->editing;
}

void InventoryDataset::EndEdit() {
    impl_->EndEdit();
}

void InventoryDataset::Append() {
    Impl& d = *impl_;
    d.RequireActive();
    d.EndEdit();
    DatasetRow& record = d.records.emplace_back();
    record.id = d.nextId++;
    record.state = RecordState::Inserted;
    d.editValues.assign(d.fields.size(), std::nullopt);
    record.values = Row(d.editValues);
    d.view.push_back(d.records.size() - 1);
    d.current = ssize(d.view) - 1;
    d.eof = false;
    d.editing = true;
    d.editNew = true;
    d.editTouched = false;
}

void InventoryDataset::Delete() {
    Impl& d = *impl_;
    d.RequireActive();
    if (d.current < 0) {
        throw StoreError(datasetText::kEmpty);
    }
    if (d.editing && d.editNew) {
        d.DropNewRow();
        return;
    }
    d.editing = false;  // an edit of the deleted row goes with it
    d.editValues.clear();
    std::size_t index = d.view[static_cast<std::size_t>(d.current)];
    if (d.records[index].state == RecordState::Inserted) {
        d.EraseRecord(index);  // never reached the database
    } else {
        d.records[index].state = RecordState::Deleted;
        d.view.erase(d.view.begin() + d.current);
    }
    d.MoveTo(d.current);
}

bool InventoryDataset::HasPendingChanges() const {
    const Impl& d = *impl_;
    if (d.editing && d.editTouched) {
        return true;
    }
    return std::any_of(d.records.begin(), d.records.end(), [](const DatasetRow& record) {
        return record.state != RecordState::Unchanged;
    });
}

void InventoryDataset::UpdateBatch() {
    Impl& d = *impl_;
    d.RequireActive();
    d.EndEdit();
    if (!HasPendingChanges()) {
        return;
    }
    IpTable::BatchResult result;
    {
        auto guard = d.connection->Lock();
        result = IpTable::WriteBatch(d.connection->Handle(), d.fields, d.records);
    }
    // Committed: the written rows now count as unchanged, and deleted rows
    // leave for good. Rows left out stay pending, marked for the re-query.
    for (IpTable::Written& done : result.written) {
        DatasetRow& record = d.records[done.record];
        record.conflict = false;
        if (record.state == RecordState::Inserted) {
            record.rowid = done.rowid;
            record.values = std::move(done.values);
        }
        if (record.state != RecordState::Deleted) {
            record.state = RecordState::Unchanged;
            record.loaded = Row();
        }
    }
    std::vector<std::string> macs;
    const int mac = FieldIndex("mac");
    for (std::size_t index : result.conflicts) {
        DatasetRow& record = d.records[index];
        record.conflict = true;
        macs.emplace_back(mac >= 0 ? record.values.Text(static_cast<std::size_t>(mac)) : "");
    }
    // The view never shows deleted rows, so the current row stays put.
    d.EraseDeleted();
    if (!macs.empty()) {
        throw BatchConflictError(std::move(macs));
    }
}

void InventoryDataset::CancelBatch() {
    Impl& d = *impl_;
    d.RequireActive();
    Bookmark mark = d.current >= 0 && !(d.editing && d.editNew) ? d.CurrentRecord().id : 0;
    d.editing = false;
    d.editValues.clear();
    std::erase_if(d.records,
                  [](const DatasetRow& record) { return record.state == RecordState::Inserted; });
    for (DatasetRow& record : d.records) {
        if (!record.loaded.Empty()) {
            record.values = std::move(record.loaded);
            record.loaded = Row();
        }
        record.state = RecordState::Unchanged;
        record.conflict = false;
    }
    d.RebuildView();
    d.MoveTo(0);
    for (std::size_t row = 0; mark != 0 && row < d.view.size(); ++row) {
        if (d.records[d.view[row]].id == mark) {
            d.current = static_cast<long long>(row);
        }
    }
}

}  // namespace vantrel::store
