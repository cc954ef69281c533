#include "InventoryDataset.h"

#include "Gbk.h"
#include "InventoryDatasetImpl.h"

namespace vantrel::store {

InventoryDataset::InventoryDataset(InventoryDatabase& connection)
    : impl_(std::make_unique<Impl>()) {
    impl_->connection = &connection;
}

InventoryDataset::~InventoryDataset() = default;

void InventoryDataset::Open() {
    Close();
    impl_->Load();
    impl_->active = true;
    // A filter or sort that no longer names a field is dropped.
    try {
        impl_->applied = impl_->filter.ApplyTo(impl_->fields, impl_->connection);
    } catch (const StoreError&) {
        impl_->filter = FilterCondition();
        impl_->applied = FilterCondition::Applied();
    }
    impl_->sortField = impl_->sort.empty() ? -1 : FieldIndex(impl_->sort);
    if (impl_->sortField < 0) {
        impl_->sort.clear();
    }
    impl_->RebuildView();
    impl_->MoveTo(0);
}

bool InventoryDataset::Active() const {
    return impl_->active;
}

void InventoryDataset::Close() {
    Impl& d = *impl_;
    d.active = false;
    d.editing = false;
    d.editValues.clear();
    d.records.clear();
    d.arena = Row::Arena();
    d.view.clear();
    d.fields.clear();
    d.current = -1;
    d.eof = true;
}

void InventoryDataset::Requery() {
    Impl& d = *impl_;
    d.RequireActive();
    d.EndEdit();
    std::vector<DatasetRow> old = std::move(d.records);
    for (DatasetRow& record : old) {
        // Pending records outlive the arena of the load they came from.
        if (record.state != RecordState::Unchanged) {
            record.values.MakeOwned();
            record.loaded.MakeOwned();
        }
    }
    std::vector<FieldDef> oldFields = d.fields;
    try {
        d.Load();
        bool sameFields = d.fields.size() == oldFields.size();
        for (std::size_t f = 0; sameFields && f < oldFields.size(); ++f) {
            sameFields = d.fields[f].name == oldFields[f].name;
        }
        if (!sameFields) {
            throw StoreError("The columns of table ip have changed");
        }
    } catch (...) {
        Close();
        throw;
    }
    d.Overlay(std::move(old));
    if (d.applied.ReadsStore()) {
        // The PCs' other tables are read anew too; should that fail, the
        // keys matched before still choose the rows.
        try {
            d.applied = d.filter.ApplyTo(d.fields, d.connection);
        } catch (const StoreError&) {
        }
    }
    d.RebuildView();
    d.MoveTo(0);
}

void InventoryDataset::SetFilter(FilterCondition condition) {
    Impl& d = *impl_;
    d.RequireActive();
    if (condition == d.filter) {
        return;
    }
    FilterCondition::Applied applied = condition.ApplyTo(d.fields, d.connection);
    d.EndEdit();
    d.filter = std::move(condition);
    d.applied = std::move(applied);
    d.RebuildView();
    d.MoveTo(0);
}

const FilterCondition& InventoryDataset::Filter() const {
    return impl_->filter;
}

void InventoryDataset::SetSort(std::string_view fieldName) {
    Impl& d = *impl_;
    d.RequireActive();
    int field = fieldName.empty() ? -1 : FieldIndex(fieldName);
    if (!fieldName.empty() && field < 0) {
        throw StoreError("Cannot sort: unknown field " + std::string(fieldName));
    }
    d.EndEdit();
    Bookmark mark = d.current >= 0 ? d.CurrentRecord().id : 0;
    d.sort = std::string(fieldName);
    d.sortField = field;
    d.SortView();
    d.MoveTo(0);
    for (std::size_t row = 0; mark != 0 && row < d.view.size(); ++row) {
        if (d.records[d.view[row]].id == mark) {
            d.MoveTo(static_cast<long long>(row));
        }
    }
}

const std::string& InventoryDataset::Sort() const {
    return impl_->sort;
}

std::size_t InventoryDataset::RecordCount() const {
    return impl_->view.size();
}

const std::vector<FieldDef>& InventoryDataset::Fields() const {
    return impl_->fields;
}

int InventoryDataset::FieldIndex(std::string_view name) const {
    for (std::size_t f = 0; f < impl_->fields.size(); ++f) {
        if (text::EqualsIgnoringAsciiCase(impl_->fields[f].name, name)) {
            return static_cast<int>(f);
        }
    }
    return -1;
}

FieldValue InventoryDataset::Value(std::size_t row, std::size_t field) const {
    const Impl& d = *impl_;
    std::size_t index = d.RowIndex(row);
    if (field >= d.fields.size()) {
        throw StoreError("Field " + std::to_string(field) + " is out of range");
    }
    if (d.editing && static_cast<long long>(row) == d.current) {
        return d.editValues[field];
    }
    return d.records[index].values.Get(field);
}

std::string InventoryDataset::DisplayText(std::size_t row, std::size_t field) const {
    const Impl& d = *impl_;
    std::size_t index = d.RowIndex(row);
    if (field >= d.fields.size()) {
        throw StoreError("Field " + std::to_string(field) + " is out of range");
    }
    if (d.editing && static_cast<long long>(row) == d.current) {
        return d.editValues[field].value_or(std::string());
    }
    return std::string(d.records[index].values.Text(field));
}

long long InventoryDataset::RecNo() const {
    return impl_->current;
}

void InventoryDataset::SetRecNo(std::size_t row) {
    Impl& d = *impl_;
    d.RowIndex(row);
    if (static_cast<long long>(row) != d.current) {
        d.EndEdit();  // leaving the row posts it, or drops an untouched new row
        d.RowIndex(row);
        d.current = static_cast<long long>(row);
    }
    d.eof = false;
}

void InventoryDataset::First() {
    impl_->RequireActive();
    impl_->EndEdit();
    impl_->MoveTo(0);
}

void InventoryDataset::Next() {
    Impl& d = *impl_;
    d.RequireActive();
    if (d.current + 1 < ssize(d.view)) {
        d.EndEdit();
        ++d.current;
        d.eof = false;
    } else {
        d.eof = true;
    }
}

bool InventoryDataset::Eof() const {
    return impl_->eof || impl_->view.empty();
}

Bookmark InventoryDataset::GetBookmark() const {
    impl_->RequireActive();
    if (impl_->current < 0) {
        throw StoreError(datasetText::kEmpty);
    }
    return impl_->CurrentRecord().id;
}

void InventoryDataset::GotoBookmark(Bookmark mark) {
    Impl& d = *impl_;
    d.RequireActive();
    for (std::size_t row = 0; row < d.view.size(); ++row) {
        if (d.records[d.view[row]].id == mark) {
            SetRecNo(row);
            return;
        }
    }
    throw StoreError("The bookmarked row is no longer in the dataset");
}

}  // namespace vantrel::store
