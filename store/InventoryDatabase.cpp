#include "InventoryDatabase.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "ExecutablePath.h"
#include "Gbk.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "IdentityTables.h"
#include "IpAsset.h"
#include "IpColumns.h"
#include "IpHistory.h"
#include "IpSeen.h"
#include "SoftwareTables.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

// How long opening waits for another process's lock before it reports the
// file as locked, and how long every later statement waits for one.
constexpr int kOpenBusyTimeoutMs = 1000;
constexpr int kBusyTimeoutMs = 5000;

// Busy handler: retries every millisecond until the timeout (in ms, passed
// as the context) has passed. SQLite's own timeout backs off to 100 ms
// between tries and so keeps losing to a writer that leaves only short gaps.
int RetryEveryMillisecond(void* timeout, int tries) {
    if (tries >= *static_cast<const int*>(timeout)) {
        return 0;
    }
    usleep(1000);
    return 1;
}

const std::string& kMissingColumns = u8"表 ip 缺少列："_gbk;
const std::string& kListSeparator = u8"、"_gbk;

// " (path)" for a message; messages are GBK, file names UTF-8.
std::string InParentheses(const std::string& path) {
    return " (" + text::Utf8ToGbk(path, nullptr) + ")";
}

std::string MessageOf(sqlite3* db, int code) {
    const char* text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    return text != nullptr ? text : sqlite3_errstr(code);
}

// Runs statements that return no rows; throws with the database's message.
void Execute(sqlite3* db, const char* sql, const std::string& path) {
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error != nullptr ? error : sqlite3_errstr(rc);
        sqlite3_free(error);
        throw StoreError(message + InParentheses(path));
    }
}

// Throws StoreError naming every column of the column table that table ip
// lacks.
void CheckColumns(sqlite3* db, const std::string& path) {
    std::vector<std::string> present;
    sqlite3_stmt* statement = nullptr;
    int rc =
        sqlite3_prepare_v2(db, "SELECT name FROM pragma_table_info('ip')", -1, &statement, nullptr);
    while (rc == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        present.emplace_back(name != nullptr ? name : "");
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_OK) {
        throw StoreError(MessageOf(db, rc) + InParentheses(path));
    }
    std::string missing;
    for (const protocol::IpColumn& column : protocol::kIpColumns) {
        bool found = false;
        for (const std::string& name : present) {
            found = found || text::EqualsIgnoringAsciiCase(name, column.name);
        }
        if (!found) {
            missing += (missing.empty() ? "" : kListSeparator) + std::string(column.name);
        }
    }
    if (!missing.empty()) {
        throw MissingColumnsError(kMissingColumns + missing + InParentheses(path));
    }
}

// Why the database cannot be written, "" when it can. A read-only file
// already shows in sqlite3_db_readonly, but a read-only folder or mount
// shows only when a change needs the journal beside the file: so a change
// is made and rolled back. Runs inside BEGIN IMMEDIATE, so that another
// writer cannot make it fail for a passing reason.
std::string WriteCheck(sqlite3* db, const std::string& path) {
    char* error = nullptr;
    int rc = sqlite3_exec(db, "CREATE TABLE vantrel_write_check (x)", nullptr, nullptr, &error);
    std::string message = error != nullptr ? error : sqlite3_errstr(rc);
    sqlite3_free(error);
    if (rc == SQLITE_OK && sqlite3_db_readonly(db, "main") != 1) {
        return "";
    }
    // The system's own reason, for the file or else for its folder.
    std::string::size_type slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    for (const std::string& place : {path, folder}) {
        if (access(place.c_str(), W_OK) != 0) {
            const int reason = errno;
            return message + " (" + text::Utf8ToGbk(place, nullptr) + ": " + std::strerror(reason) +
                   ")";
        }
    }
    return message + InParentheses(path);
}

}  // namespace

struct InventoryDatabase::Impl {
    mutable std::recursive_mutex lock;
    sqlite3* db = nullptr;
    int busyTimeoutMs = kBusyTimeoutMs;  // read by the busy handler under `lock`
    std::string readOnlyReason;
};

InventoryDatabase::InventoryDatabase() : impl_(std::make_unique<Impl>()) {}

InventoryDatabase::~InventoryDatabase() {
    if (impl_) {
        Close();
    }
}

std::string InventoryDatabase::DefaultDatabasePath() {
    return system::BesideExecutable("db.mdb");
}

void InventoryDatabase::Open(const std::string& path) {
    auto guard = Lock();
    Close();
    sqlite3* db = nullptr;
    // Read-write without CREATE: a missing file is an error, never a new file.
    // SQLite's own per-call mutex is left out: every use of the handle is
    // under Lock(), and that mutex cost a sixth of the time of a full load.
    int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string message = MessageOf(db, rc);
        sqlite3_close_v2(db);
        throw StoreError(message + InParentheses(path));
    }
    std::string readOnlyReason;
    try {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_handler(db, RetryEveryMillisecond, const_cast<int*>(&kOpenBusyTimeoutMs));
        // Only reads until the file is known to be an inventory: "file is
        // not a database" and "no such table: ip" surface here, and a file
        // that is refused is left exactly as it was.
        Execute(db, "SELECT * FROM ip LIMIT 0", path);
        CheckColumns(db, path);
        // A rollback journal with synchronous FULL: every commit is durable
        // when it returns, a crash at any moment leaves a consistent file,
        // and db.mdb alone always holds every row, so that copying it is a
        // backup and no -wal/-shm files live beside the program.
        Execute(db, "PRAGMA journal_mode=DELETE", path);
        Execute(db, "PRAGMA synchronous=FULL", path);
        // A write lock held elsewhere must fail the open, not a later report.
        Execute(db, "BEGIN IMMEDIATE", path);
        readOnlyReason = WriteCheck(db, path);
        // Some failures of the check end the transaction by themselves.
        if (sqlite3_get_autocommit(db) == 0) {
            Execute(db, "ROLLBACK", path);
        }
        // The additions the program makes to a file: the history of what
        // reports overwrite, when each PC was last seen, and what its
        // firmware, monitors and network cards tell of it.
        IpHistory::AddTableIfMissing(db, path);
        IpSeen::AddTableIfMissing(db, path);
        IdentityTables::AddTablesIfMissing(db, path);
        SoftwareTables::AddTablesIfMissing(db, path);
        IpAsset::AddTableIfMissing(db, path);
        sqlite3_busy_handler(db, RetryEveryMillisecond, &impl_->busyTimeoutMs);
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db);
        throw;
    }
    impl_->db = db;
    impl_->readOnlyReason = std::move(readOnlyReason);
}

std::string InventoryDatabase::ReadOnlyReason() const {
    std::lock_guard<std::recursive_mutex> guard(impl_->lock);
    return impl_->readOnlyReason;
}

bool InventoryDatabase::Connected() const {
    std::lock_guard<std::recursive_mutex> guard(impl_->lock);
    return impl_->db != nullptr;
}

void InventoryDatabase::SetBusyTimeout(int milliseconds) {
    std::lock_guard<std::recursive_mutex> guard(impl_->lock);
    impl_->busyTimeoutMs = milliseconds;
}

void InventoryDatabase::Close() {
    std::lock_guard<std::recursive_mutex> guard(impl_->lock);
    if (impl_->db != nullptr) {
        sqlite3_close_v2(impl_->db);
        impl_->db = nullptr;
    }
    impl_->readOnlyReason.clear();
}

void InventoryDatabase::Abandon() {
    // Deliberately leaked: whoever still holds the handle keeps using it.
    [[maybe_unused]] Impl* kept = impl_.release();
}

std::unique_lock<std::recursive_mutex> InventoryDatabase::Lock() {
    return std::unique_lock<std::recursive_mutex>(impl_->lock);
}

sqlite3* InventoryDatabase::Handle() const {
    std::lock_guard<std::recursive_mutex> guard(impl_->lock);
    if (impl_->db == nullptr) {
        throw StoreError("Database db.mdb is not open");
    }
    return impl_->db;
}

}  // namespace vantrel::store
