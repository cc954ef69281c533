#include "TADOConnection.h"

#include "StoreError.h"

namespace vantrel::store {

struct TADOConnection::Impl {
    std::recursive_mutex lock;
};

TADOConnection::TADOConnection() : impl_(std::make_unique<Impl>()) {}
TADOConnection::~TADOConnection() = default;
std::string TADOConnection::DefaultDatabasePath() { return "db.mdb"; }
void TADOConnection::Open(const std::string& path) {
    throw StoreError("cannot open " + path + ": not implemented");
}
bool TADOConnection::Connected() const { return false; }
void TADOConnection::Close() {}
std::unique_lock<std::recursive_mutex> TADOConnection::Lock() {
    return std::unique_lock<std::recursive_mutex>(impl_->lock);
}
sqlite3* TADOConnection::Handle() const { throw StoreError("database not open"); }

}  // namespace vantrel::store
