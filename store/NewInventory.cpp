#include "NewInventory.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "DurableFiles.h"
#include "IpStatements.h"
#include "SchemaSql.h"
#include "SqliteStatement.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

// The statement text with leading blanks and "--" comment lines skipped.
std::string_view StatementStart(std::string_view sql) {
    for (;;) {
        const auto first = sql.find_first_not_of(" \t\r\n");
        if (first == std::string_view::npos) {
            return {};
        }
        sql.remove_prefix(first);
        if (sql.substr(0, 2) != "--") {
            return sql;
        }
        const auto end = sql.find('\n');
        sql = end == std::string_view::npos ? std::string_view() : sql.substr(end + 1);
    }
}

bool StartsWithWords(std::string_view text, std::string_view words) {
    return text.size() >= words.size() &&
           sqlite3_strnicmp(text.data(), words.data(), static_cast<int>(words.size())) == 0;
}

}  // namespace

struct NewInventory::Impl {
    std::string path;
    bool created = false;
    sqlite3* db = nullptr;
    std::optional<SqliteStatement> insert;
    std::vector<std::string> deferred;  // CREATE INDEX statements

    void Execute(const char* sql) {
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
        if (rc != SQLITE_OK) {
            std::string message = error != nullptr ? error : sqlite3_errstr(rc);
            sqlite3_free(error);
            throw StoreError(message);
        }
    }

    // Runs the schema's statements one by one, keeping back the indexes.
    void CreateTable() {
        const char* sql = kSchemaSql;
        while (*sql != '\0') {
            sqlite3_stmt* stmt = nullptr;
            const char* tail = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &stmt, &tail) != SQLITE_OK) {
                ThrowSqliteError(db);
            }
            const std::string_view text(sql, static_cast<std::size_t>(tail - sql));
            sql = tail;
            if (stmt == nullptr) {
                continue;  // only blanks or comments
            }
            const std::string_view start = StatementStart(text);
            if (StartsWithWords(start, "CREATE INDEX") ||
                StartsWithWords(start, "CREATE UNIQUE INDEX")) {
                sqlite3_finalize(stmt);
                deferred.emplace_back(text);
                continue;
            }
            const int rc = sqlite3_step(stmt);
            sqlite3_finalize(stmt);
            if (rc != SQLITE_DONE) {
                ThrowSqliteError(db);
            }
        }
    }

    void Close() {
        insert.reset();
        if (db != nullptr) {
            const int rc = sqlite3_close(db);
            db = nullptr;
            if (rc != SQLITE_OK) {
                throw StoreError(sqlite3_errstr(rc));
            }
        }
    }
};

NewInventory::NewInventory(const std::string& path, mode_t mode) : impl_(std::make_unique<Impl>()) {
    impl_->path = path;
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), path);
    }
    impl_->created = true;
    // Exactly the Access file's permissions, whatever the umask.
    const bool modeSet = fchmod(fd, mode) == 0;
    const int error = errno;
    close(fd);
    if (!modeSet) {
        throw std::system_error(error, std::generic_category(), path);
    }
}

NewInventory::~NewInventory() {
    impl_->insert.reset();
    sqlite3_close(impl_->db);
    if (impl_->created) {
        unlink(impl_->path.c_str());
    }
}

void NewInventory::Begin() {
    const int rc = sqlite3_open_v2(impl_->path.c_str(), &impl_->db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        throw StoreError(impl_->db != nullptr ? sqlite3_errmsg(impl_->db) : sqlite3_errstr(rc));
    }
    // A file that fails is thrown away, never repaired: no journal, no
    // syncs until the one at the end.
    impl_->Execute("PRAGMA journal_mode=OFF");
    impl_->Execute("PRAGMA synchronous=OFF");
    impl_->Execute("BEGIN");
    impl_->CreateTable();
    impl_->insert.emplace(impl_->db, FullRowInsertSql());
}

void NewInventory::Insert(const std::vector<std::optional<std::string>>& values) {
    // Every value is bound again for each row, and the row outlives the step.
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i]) {
            impl_->insert->BindTextUncopied(static_cast<int>(i) + 1, *values[i]);
        } else {
            impl_->insert->BindNull(static_cast<int>(i) + 1);
        }
    }
    impl_->insert->Step();
    impl_->insert->Reset();
}

void NewInventory::Finish() {
    impl_->insert.reset();
    for (const std::string& sql : impl_->deferred) {
        impl_->Execute(sql.c_str());
    }
    impl_->Execute("COMMIT");
    impl_->Close();
    SyncFile(impl_->path);
}

void NewInventory::Release() {
    impl_->created = false;
}

}  // namespace vantrel::store
