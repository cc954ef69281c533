#pragma once
// Prepared statements kept for the database handle they were prepared on,
// and prepared again when the connection's handle is another one (the
// connection was closed and opened again). A handle closed while one of its
// statements lives stays allocated until that statement goes, so a new
// handle never has the address of one still held here. Used only under the
// connection's lock.

#include <memory>
#include <utility>

struct sqlite3;

namespace vantrel::store {

template <typename Statements>
class HandleStatements {
  public:
    // The statements for `db`: Statements(db, args...) on first use and
    // whenever `db` differs from the handle of the ones held.
    template <typename... Args>
    Statements& For(sqlite3* db, Args&&... args) {
        if (!statements_ || preparedFor_ != db) {
            Drop();
            statements_ = std::make_unique<Statements>(db, std::forward<Args>(args)...);
            preparedFor_ = db;
        }
        return *statements_;
    }

    bool Empty() const { return !statements_; }

    void Drop() {
        statements_.reset();
        preparedFor_ = nullptr;
    }

  private:
    std::unique_ptr<Statements> statements_;
    sqlite3* preparedFor_ = nullptr;
};

}  // namespace vantrel::store
