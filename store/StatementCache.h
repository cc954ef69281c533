#pragma once
// Statements prepared once per handle and kept by their text, for the
// report writer's rarer statements, so that a report prepares nothing
// while it holds the connection; and which tables the file has, asked
// once. Used under the connection's lock, on the handle it was made for.

#include <map>
#include <string>
#include <string_view>

#include "IdentityTables.h"
#include "SqliteStatement.h"

namespace vantrel::store {

class StatementCache {
  public:
    explicit StatementCache(sqlite3* db) : db_(db) {}

    sqlite3* Handle() const { return db_; }

    // The statement of `sql`, reset and ready for its parameters.
    SqliteStatement& Get(std::string_view sql) {
        auto found = statements_.find(sql);
        if (found == statements_.end()) {
            found = statements_.emplace(std::string(sql), SqliteStatement(db_, sql)).first;
        }
        return found->second;
    }

    bool Has(std::string_view table) {
        auto found = tables_.find(table);
        if (found == tables_.end()) {
            found = tables_.emplace(std::string(table), HasTable(db_, table)).first;
        }
        return found->second;
    }

  private:
    sqlite3* db_;
    std::map<std::string, SqliteStatement, std::less<>> statements_;
    std::map<std::string, bool, std::less<>> tables_;
};

}  // namespace vantrel::store
