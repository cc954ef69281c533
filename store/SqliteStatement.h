#pragma once
// One prepared SQLite statement, finalized when it goes out of scope.
// Callers hold the connection's lock for the statement's whole life.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

namespace vantrel::store {

class SqliteStatement {
  public:
    // Prepares exactly one statement; text after it other than blanks and
    // semicolons is refused so that no second statement can ride along.
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    SqliteStatement(SqliteStatement&& other) noexcept
        : db_(other.db_), stmt_(std::exchange(other.stmt_, nullptr)) {}
    SqliteStatement& operator=(SqliteStatement&&) = delete;

    // Parameters count from 1.
    void BindText(int index, std::string_view text);
    // Without a copy: the text must stay as it is until the statement has
    // been stepped and is bound again.
    void BindTextUncopied(int index, std::string_view text);
    // Binds the bytes as a BLOB; used to compare stored values byte for byte.
    void BindBytes(int index, std::string_view bytes);
    void BindNull(int index);
    void BindInt64(int index, std::int64_t value);
    void Reset();

    // Resets the statement at the end of a scope, failures included, so
    // that the read it holds ends there.
    class ResetOnExit {
      public:
        explicit ResetOnExit(SqliteStatement& statement) : statement_(statement) {}
        ~ResetOnExit() { statement_.Reset(); }
        ResetOnExit(const ResetOnExit&) = delete;
        ResetOnExit& operator=(const ResetOnExit&) = delete;

      private:
        SqliteStatement& statement_;
    };

    // True while a row is available; false when the statement is done.
    bool Step();
    int ColumnCount() const;
    std::string ColumnName(int column) const;
    // Declared type of a result column, "" when it has none.
    std::string ColumnDeclType(int column) const;
    bool IsNull(int column) const;
    // The stored bytes of a TEXT or BLOB value (numbers as their text).
    std::string_view Bytes(int column) const;
    std::int64_t Int64(int column) const;

    sqlite3_stmt* Get() const { return stmt_; }

  private:
    [[noreturn]] void Fail() const;

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Throws StoreError with the database's current message.
[[noreturn]] void ThrowSqliteError(sqlite3* db);

}  // namespace vantrel::store
