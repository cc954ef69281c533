#include "MacLookup.h"

#include <optional>

#include "HandleStatements.h"
#include "IdentityTables.h"
#include "InventoryDatabase.h"
#include "MacText.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace {
// Column mac is indexed; the collation keeps the index usable and makes the
// comparison ignore case also in a table made without it.
constexpr char kLookupSql[] = "select 1 from ip where mac collate nocase in (?1, ?2, ?3) limit 1";
// Known MACs are kept as MacTextOf writes them.
constexpr char kKnownSql[] = "select 1 from ip_knownmac where othermac = ?1";

struct LookupStatements {
    explicit LookupStatements(sqlite3* db) : rows(db, kLookupSql) {
        if (HasTable(db, "ip_knownmac")) {
            known.emplace(db, kKnownSql);
        }
    }
    SqliteStatement rows;
    std::optional<SqliteStatement> known;  // absent from a file without ip_knownmac
};

}  // namespace

struct MacLookup::Impl {
    InventoryDatabase* connection = nullptr;
    HandleStatements<LookupStatements> lookup;
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
    LookupStatements& statements = impl_->lookup.For(impl_->connection->Handle());
    {
        SqliteStatement& lookup = statements.rows;
        const SqliteStatement::ResetOnExit reset(lookup);
        int parameter = 1;
        for (const char separator : {'.', ':', '-'}) {
            lookup.BindText(parameter++, inventory::WithMacSeparator(mac, separator));
        }
        if (lookup.Step()) {
            return true;
        }
    }
    const auto bits = inventory::MacBits(mac);
    if (!statements.known || !bits) {
        return false;
    }
    const SqliteStatement::ResetOnExit reset(*statements.known);
    statements.known->BindText(1, inventory::MacTextOf(*bits));
    return statements.known->Step();
}

}  // namespace vantrel::store
