#include "TADOConnection.h"

#include <sqlite3.h>
#include <unistd.h>

#include "ExecutablePath.h"
#include "StoreError.h"
#include "TIpHistory.h"

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
        throw StoreError(message + " (" + path + ")");
    }
}

}  // namespace

struct TADOConnection::Impl {
    mutable std::recursive_mutex lock;
    sqlite3* db = nullptr;
    int busyTimeoutMs = kBusyTimeoutMs;  // read by the busy handler under `lock`
};

TADOConnection::TADOConnection() : impl_(std::make_unique<Impl>()) {}

TADOConnection::~TADOConnection() {
    if (impl_) {
        Close();
    }
}

std::string TADOConnection::DefaultDatabasePath() {
    return BesideExecutable("db.mdb");
}

void TADOConnection::Open(const std::string& path) {
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
        throw StoreError(message + " (" + path + ")");
    }
    try {
        sqlite3_extended_result_codes(db, 1);
        sqlite3_busy_handler(db, RetryEveryMillisecond, const_cast<int*>(&kOpenBusyTimeoutMs));
        // Only reads until the file is known to be an inventory: "file is
        // not a database" and "no such table: ip" surface here, and a file
        // that is refused is left exactly as it was.
        Execute(db, "SELECT * FROM ip LIMIT 0", path);
        // A rollback journal with synchronous FULL: every commit is durable
        // when it returns, a crash at any moment leaves a consistent file,
        // and db.mdb alone always holds every row, so that copying it is a
        // backup and no -wal/-shm files live beside the program.
        Execute(db, "PRAGMA journal_mode=DELETE", path);
        Execute(db, "PRAGMA synchronous=FULL", path);
        // A write lock held elsewhere must fail the open, not a later report.
        Execute(db, "BEGIN IMMEDIATE; COMMIT", path);
        // The one addition the program makes to a file: the history of
        // what reports overwrite.
        TIpHistory::AddTableIfMissing(db, path);
        sqlite3_busy_handler(db, RetryEveryMillisecond, &impl_->busyTimeoutMs);
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db);
        throw;
    }
    impl_->db = db;
}

bool TADOConnection::Connected() const {
    std::lock_guard<std::recursive_mutex> guard(impl_->lock);
    return impl_->db != nullptr;
}

void TADOConnection::SetBusyTimeout(int milliseconds) {
    std::lock_guard<std::recursive_mutex> guard(impl_->lock);
    impl_->busyTimeoutMs = milliseconds;
}

void TADOConnection::Close() {
    std::lock_guard<std::recursive_mutex> guard(impl_->lock);
    if (impl_->db != nullptr) {
        sqlite3_close_v2(impl_->db);
        impl_->db = nullptr;
    }
}

void TADOConnection::Abandon() {
    // Deliberately leaked: whoever still holds the handle keeps using it.
    [[maybe_unused]] Impl* kept = impl_.release();
}

std::unique_lock<std::recursive_mutex> TADOConnection::Lock() {
    return std::unique_lock<std::recursive_mutex>(impl_->lock);
}

sqlite3* TADOConnection::Handle() const {
    std::lock_guard<std::recursive_mutex> guard(impl_->lock);
    if (impl_->db == nullptr) {
        throw StoreError("Database db.mdb is not open");
    }
    return impl_->db;
}

}  // namespace vantrel::store
