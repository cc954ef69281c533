// TADOQuery1: the pending state of single rows, as the grid marks it.
#include "TADOQuery1Impl.h"

namespace vantrel::store {

TADOQuery1::RowStatus TADOQuery1::Status(std::size_t row) const {
    const Impl& d = *impl_;
    const TRecord& record = d.records[d.RowIndex(row)];
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

bool TADOQuery1::FieldChanged(std::size_t row, std::size_t field) const {
    const Impl& d = *impl_;
    const TRecord& record = d.records[d.RowIndex(row)];
    if (record.state == RecordState::Inserted) {
        return true;
    }
    if (field >= d.fields.size()) {
        return false;
    }
    return Value(row, field) != record.Loaded().Get(field);
}

bool TADOQuery1::Modified() const {
    return impl_->editing && impl_->editTouched;
}

std::size_t TADOQuery1::PendingCount() const {
    const Impl& d = *impl_;
    std::size_t count = 0;
    for (const TRecord& record : d.records) {
        count += record.state != RecordState::Unchanged ? 1 : 0;
    }
    if (d.editing && d.current >= 0) {
        const TRecord& record = d.records[d.view[static_cast<std::size_t>(d.current)]];
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
