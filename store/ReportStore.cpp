#include "ReportStore.h"

#include <sqlite3.h>

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <string_view>
#include <vector>

#include "HandleStatements.h"
#include "HistoryWriter.h"
#include "InventoryDatabase.h"
#include "IpStatements.h"
#include "SqliteStatement.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

// One report waiting for, or taken into, a transaction. Lives on the
// stack of the thread that stores it.
struct Pending {
    const HardwareReport* report = nullptr;
    std::string_view address;
    std::vector<ReportChange> changes;  // of the last try to store it
    bool done = false;                  // guarded by Impl::mutex
    bool failed = false;
    std::string error;

    void Fail(std::string message) {
        if (!failed) {
            failed = true;
            error = std::move(message);
        }
    }
};

// A prepared statement with, for each of its parameters, the report's
// field bound to it. The MAC is bound in the count and the update too, so
// that no reported text ever becomes part of a statement.
struct Prepared {
    Prepared(sqlite3* db, const ReportStatement& text)
        : statement(std::make_unique<SqliteStatement>(db, text.sql)) {
        for (std::size_t column : text.columns) {
            value.push_back(kReportFields[column].value);
        }
    }

    // Binds the report's values, steps once and resets, also on failure.
    bool Run(const HardwareReport& report) {
        const SqliteStatement::ResetOnExit reset(*statement);
        for (std::size_t i = 0; i < value.size(); ++i) {
            statement->BindText(static_cast<int>(i + 1), report.*value[i]);
        }
        bool row = statement->Step();
        if (row) {
            count = statement->Int64(0);
        }
        return row;
    }

    std::unique_ptr<SqliteStatement> statement;
    std::vector<std::string HardwareReport::*> value;
    std::int64_t count = 0;
};

// The three statements of a report and the writer of its history,
// prepared together.
struct ReportStatements {
    explicit ReportStatements(sqlite3* db)
        : count(db, ReportCountStatement()),
          update(db, ReportUpdateStatement()),
          insert(db, ReportInsertStatement()),
          history(db) {}

    Prepared count;
    Prepared update;
    Prepared insert;
    HistoryWriter history;
};

void Execute(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        ThrowSqliteError(db);
    }
}

std::tm SystemLocalTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

struct ReportStore::Impl {
    InventoryDatabase* connection = nullptr;
    HistoryClock clock;
    std::atomic<bool> recordHistory{true};

    mutable std::mutex mutex;
    std::condition_variable turn;
    std::vector<Pending*> queue;
    bool leading = false;  // a thread is running a transaction for the queue
    Statistics stats;      // guarded by mutex

    HandleStatements<ReportStatements> statements;

    // Whether a row holds the report's MAC; with the history on, the one
    // read of the old values that also tells what an update changes.
    bool Exists(ReportStatements& s, const HardwareReport& report,
                std::vector<ReportChange>& changes) {
        if (recordHistory) {
            return s.history.ChangesOf(report, changes);
        }
        if (!s.count.Run(report)) {
            throw StoreError("The count returned no row");
        }
        return s.count.count != 0;
    }

    // The write of one report, with the history of an overwrite, inside
    // the open transaction.
    void StoreOne(ReportStatements& s, Pending& pending) {
        const HardwareReport& report = *pending.report;
        pending.changes.clear();
        std::vector<ReportChange> changes;
        if (!Exists(s, report, changes)) {
            s.insert.Run(report);
            return;
        }
        s.update.Run(report);
        if (!changes.empty()) {
            const std::string time = HistoryTime(clock ? clock() : SystemLocalTime());
            s.history.Record(report, pending.address.empty() ? report.ip : pending.address, time,
                             changes);
        }
        pending.changes = std::move(changes);
    }

    // Writes the group in one transaction, each report under its own
    // savepoint so that a statement failing on one report's values fails
    // that report alone. A failure that ends the whole transaction (the
    // database may roll it back on its own, for instance when the disk is
    // full) fails that report and retries the others in a new transaction;
    // when the transaction itself cannot begin or commit, every report
    // still in it fails. Called under the connection's lock.
    void Run(std::vector<Pending*> todo, Statistics& done) {
        while (!todo.empty()) {
            sqlite3* db = nullptr;
            std::vector<Pending*> retry;
            bool restart = false;
            try {
                db = connection->Handle();
                ReportStatements& prepared = statements.For(db);
                Execute(db, "BEGIN IMMEDIATE");
                for (std::size_t i = 0; i < todo.size() && !restart; ++i) {
                    Execute(db, "SAVEPOINT report");
                    try {
                        StoreOne(prepared, *todo[i]);
                        Execute(db, "RELEASE report");
                    } catch (const StoreError& error) {
                        todo[i]->Fail(error.what());
                        if (sqlite3_get_autocommit(db) != 0) {
                            restart = true;
                        } else {
                            Execute(db, "ROLLBACK TO report");
                            Execute(db, "RELEASE report");
                        }
                    }
                }
                if (!restart) {
                    Execute(db, "COMMIT");
                    ++done.transactions;
                    for (Pending* p : todo) {
                        done.reports += p->failed ? 0 : 1;
                    }
                    return;
                }
            } catch (const std::exception& error) {
                if (db != nullptr && sqlite3_get_autocommit(db) == 0) {
                    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
                }
                for (Pending* p : todo) {
                    p->Fail(error.what());
                }
                return;
            }
            // The transaction is gone: what it wrote is undone, so every
            // report not failed so far goes again.
            for (Pending* p : todo) {
                if (!p->failed) {
                    retry.push_back(p);
                }
            }
            todo = std::move(retry);
        }
    }
};

ReportStore::ReportStore(InventoryDatabase& connection, HistoryClock clock)
    : impl_(std::make_unique<Impl>()) {
    impl_->connection = &connection;
    impl_->clock = std::move(clock);
}

ReportStore::~ReportStore() {
    // The statements belong to a handle that is used only under this lock.
    auto guard = impl_->connection->Lock();
    impl_->statements.Drop();
}

std::vector<ReportChange> ReportStore::Store(const HardwareReport& report,
                                             std::string_view address) {
    Impl& d = *impl_;
    Pending pending;
    pending.report = &report;
    pending.address = address;
    std::unique_lock<std::mutex> lock(d.mutex);
    d.queue.push_back(&pending);
    while (!pending.done) {
        if (d.leading) {
            d.turn.wait(lock);
            continue;
        }
        // Lead: wait for the connection, then take everything queued by
        // then, this report included, into one transaction.
        d.leading = true;
        lock.unlock();
        std::vector<Pending*> group;
        Statistics done;
        {
            auto guard = d.connection->Lock();
            {
                std::lock_guard<std::mutex> take(d.mutex);
                group.swap(d.queue);
            }
            try {
                d.Run(group, done);
            } catch (...) {
                for (Pending* p : group) {
                    p->Fail("The report could not be stored");
                }
            }
        }
        lock.lock();
        for (Pending* p : group) {
            p->done = true;
        }
        d.stats.transactions += done.transactions;
        d.stats.reports += done.reports;
        d.leading = false;
        d.turn.notify_all();
    }
    if (pending.failed) {
        throw StoreError(pending.error);
    }
    return std::move(pending.changes);
}

void ReportStore::SetRecordHistory(bool on) {
    impl_->recordHistory = on;
}

ReportStore::Statistics ReportStore::Stats() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    Statistics stats = impl_->stats;
    stats.waiting = impl_->queue.size();
    return stats;
}

}  // namespace vantrel::store
