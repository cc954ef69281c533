#include "SqliteStatement.h"

#include <sqlite3.h>

#include <climits>

#include "StoreError.h"

namespace vantrel::store {

void ThrowSqliteError(sqlite3* db) {
    throw StoreError(sqlite3_errmsg(db));
}

namespace {

int Length(std::string_view text) {
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        throw StoreError("value too long");
    }
    return static_cast<int>(text.size());
}

// Zero-length values need a non-null pointer, or SQLite binds a null.
const char* Data(std::string_view text) {
    return text.data() != nullptr ? text.data() : "";
}

}  // namespace

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : db_(db) {
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db_, Data(sql), Length(sql), &stmt_, &tail);
    if (rc != SQLITE_OK) {
        Fail();
    }
    if (stmt_ == nullptr) {
        throw StoreError("The statement text is empty");
    }
    const char* end = Data(sql) + sql.size();
    for (const char* p = tail; p != nullptr && p < end; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != ';') {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            throw StoreError("Only one statement may be run at a time");
        }
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

void SqliteStatement::Fail() const {
    ThrowSqliteError(db_);
}

void SqliteStatement::BindText(int index, std::string_view text) {
    if (sqlite3_bind_text(stmt_, index, Data(text), Length(text), SQLITE_TRANSIENT) != SQLITE_OK) {
        Fail();
    }
}

void SqliteStatement::BindTextUncopied(int index, std::string_view text) {
    if (sqlite3_bind_text(stmt_, index, Data(text), Length(text), SQLITE_STATIC) != SQLITE_OK) {
        Fail();
    }
}

void SqliteStatement::BindBytes(int index, std::string_view bytes) {
    if (sqlite3_bind_blob(stmt_, index, Data(bytes), Length(bytes), SQLITE_TRANSIENT) !=
        SQLITE_OK) {
        Fail();
    }
}

void SqliteStatement::BindNull(int index) {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) {
        Fail();
    }
}

void SqliteStatement::BindInt64(int index, std::int64_t value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) {
        Fail();
    }
}

void SqliteStatement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

bool SqliteStatement::Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    Fail();
}

int SqliteStatement::ColumnCount() const {
    return sqlite3_column_count(stmt_);
}

std::string SqliteStatement::ColumnName(int column) const {
    const char* name = sqlite3_column_name(stmt_, column);
    return name != nullptr ? name : "";
}

std::string SqliteStatement::ColumnDeclType(int column) const {
    const char* type = sqlite3_column_decltype(stmt_, column);
    return type != nullptr ? type : "";
}

bool SqliteStatement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::string_view SqliteStatement::Bytes(int column) const {
    // blob first, then bytes: the order SQLite documents as safe.
    const void* data = sqlite3_column_blob(stmt_, column);
    int size = sqlite3_column_bytes(stmt_, column);
    if (data == nullptr || size <= 0) {
        return {};
    }
    return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
}

std::int64_t SqliteStatement::Int64(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

}  // namespace vantrel::store
