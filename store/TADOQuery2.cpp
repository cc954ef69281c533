#include "TADOQuery2.h"

#include "StoreError.h"
#include "TADOConnection.h"

namespace vantrel::store {

struct TADOQuery2::Impl {
    TADOConnection* connection = nullptr;
};

TADOQuery2::TADOQuery2(TADOConnection& connection) : impl_(std::make_unique<Impl>()) {
    impl_->connection = &connection;
}
TADOQuery2::~TADOQuery2() = default;
void TADOQuery2::SetSQL(std::string_view) {}
void TADOQuery2::Open() { throw StoreError("database not open"); }
void TADOQuery2::Close() {}
long long TADOQuery2::FieldAsInteger(std::string_view) const { throw StoreError("not open"); }
void TADOQuery2::SetParam(std::string_view, std::string_view) {}
void TADOQuery2::ExecSQL() { throw StoreError("database not open"); }

}  // namespace vantrel::store
