#include "TADOQuery1.h"

#include "StoreError.h"
#include "TADOConnection.h"

namespace vantrel::store {

struct TADOQuery1::Impl {
    TADOConnection* connection = nullptr;
    std::string filter;
    std::string sort;
    std::vector<FieldDef> fields;
};

TADOQuery1::TADOQuery1(TADOConnection& connection) : impl_(std::make_unique<Impl>()) {
    impl_->connection = &connection;
}
TADOQuery1::~TADOQuery1() = default;
void TADOQuery1::Open() { throw StoreError("database not open"); }
bool TADOQuery1::Active() const { return false; }
void TADOQuery1::Close() {}
void TADOQuery1::Requery() { throw StoreError("dataset closed"); }
void TADOQuery1::SetFilter(std::string_view) { throw StoreError("dataset closed"); }
const std::string& TADOQuery1::Filter() const { return impl_->filter; }
void TADOQuery1::SetSort(std::string_view) { throw StoreError("dataset closed"); }
const std::string& TADOQuery1::Sort() const { return impl_->sort; }
std::size_t TADOQuery1::RecordCount() const { return 0; }
const std::vector<FieldDef>& TADOQuery1::Fields() const { return impl_->fields; }
int TADOQuery1::FieldIndex(std::string_view) const { return -1; }
const FieldValue& TADOQuery1::Value(std::size_t, std::size_t) const {
    throw StoreError("dataset closed");
}
std::string TADOQuery1::DisplayText(std::size_t, std::size_t) const { return {}; }
long long TADOQuery1::RecNo() const { return -1; }
void TADOQuery1::SetRecNo(std::size_t) {}
void TADOQuery1::First() {}
void TADOQuery1::Next() {}
bool TADOQuery1::Eof() const { return true; }
Bookmark TADOQuery1::GetBookmark() const { return 0; }
void TADOQuery1::GotoBookmark(Bookmark) {}
void TADOQuery1::SetValue(std::size_t, FieldValue) { throw StoreError("dataset closed"); }
bool TADOQuery1::Editing() const { return false; }
void TADOQuery1::EndEdit() {}
void TADOQuery1::Append() { throw StoreError("dataset closed"); }
void TADOQuery1::Delete() { throw StoreError("dataset closed"); }
bool TADOQuery1::HasPendingChanges() const { return false; }
void TADOQuery1::UpdateBatch() { throw StoreError("dataset closed"); }
void TADOQuery1::CancelBatch() {}

}  // namespace vantrel::store
