#include "TMacLookup.h"

#include "MacText.h"
#include "TADOConnection.h"
#include "THandleStatements.h"
#include "TSqliteStatement.h"

namespace vantrel::store {

namespace {
// Column mac is indexed; the collation keeps the index usable and makes the
// comparison ignore case also in a table made without it.
constexpr char kLookupSql[] = "select 1 from ip where mac collate nocase in (?1, ?2, ?3) limit 1";
}  // namespace

struct TMacLookup::Impl {
    TADOConnection* connection = nullptr;
    THandleStatements<TSqliteStatement> lookup;
};

TMacLookup::TMacLookup(TADOConnection& connection) : impl_(std::make_unique<Impl>()) {
    impl_->connection = &connection;
}

TMacLookup::~TMacLookup() {
    if (!impl_->lookup.Empty()) {
        auto guard = impl_->connection->Lock();
        impl_->lookup.Drop();
    }
}

bool TMacLookup::Holds(std::string_view mac) const {
    auto guard = impl_->connection->Lock();
    TSqliteStatement& lookup = impl_->lookup.For(impl_->connection->Handle(), kLookupSql);
    const TSqliteStatement::ResetOnExit reset(lookup);
    int parameter = 1;
    for (const char separator : {'.', ':', '-'}) {
        lookup.BindText(parameter++, WithMacSeparator(mac, separator));
    }
    return lookup.Step();
}

}  // namespace vantrel::store
