#include "MacLookup.h"

#include "HandleStatements.h"
#include "InventoryDatabase.h"
#include "MacText.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace {
// Column mac is indexed; the collation keeps the index usable and makes the
// comparison ignore case also in a table made without it.
constexpr char kLookupSql[] = "select 1 from ip where mac collate nocase in (?1, ?2, ?3) limit 1";
}  // namespace

struct MacLookup::Impl {
    InventoryDatabase* connection = nullptr;
    HandleStatements<SqliteStatement> lookup;
};

MacLookup::MacLookup(InventoryDatabase& connection) : impl_(std::make_unique<Impl>()) {
    impl_->connection = &connection;
}

MacLookup::~MacLookup() {
    if (!impl_->lookup.Empty()) {
        auto guard = impl_->connection->Lock();
        impl_->lookup.Drop();
    }
}

bool MacLookup::Holds(std::string_view mac) const {
    auto guard = impl_->connection->Lock();
    SqliteStatement& lookup = impl_->lookup.For(impl_->connection->Handle(), kLookupSql);
    const SqliteStatement::ResetOnExit reset(lookup);
    int parameter = 1;
    for (const char separator : {'.', ':', '-'}) {
        lookup.BindText(parameter++, inventory::WithMacSeparator(mac, separator));
    }
    return lookup.Step();
}

}  // namespace vantrel::store
