#include "ReportStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "HandleStatements.h"
#include "HistoryWriter.h"
#include "IdentityMatch.h"
#include "IdentityWriter.h"
#include "InventoryDatabase.h"
#include "IpHistory.h"
#include "IpSeen.h"
#include "IpStatements.h"
#include "LastSeen.h"
#include "MacMove.h"
#include "SoftwareWriter.h"
#include "SqliteStatement.h"
#include "StatementCache.h"
#include "StoreError.h"

namespace vantrel::store {

namespace {

// One report waiting for, or taken into, a transaction. Lives on the
// stack of the thread that stores it.
struct Pending {
    const HardwareReport* report = nullptr;
    std::string_view address;
    const SoftwareList* software = nullptr;
    StoreOutcome outcome;  // of the last try to store it
    bool done = false;     // guarded by Impl::mutex
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

// The rows a report without a MAC overwrites: MAC-less rows with its ip,
// and its pcname unless it names none.
constexpr std::string_view kMacLessRowsSql =
    "select rowid, pcname from ip where (mac is null or mac='') and ip=?1 "
    "and (?2='' or pcname=?2)";
constexpr std::string_view kMacRowsSql = "select rowid from ip where mac=?1";

// "update ip set pcname=?1,...,xk=?15 where rowid=?16": every report column
// but the MAC, in report order.
std::string RowUpdateSql() {
    std::string sql = "update ip set ";
    int index = 0;
    for (const ReportField& field : kReportFields) {
        if (field.column != "mac") {
            sql += index == 0 ? "" : ",";
            sql += std::string(field.column) + "=?" + std::to_string(++index);
        }
    }
    return sql + " where rowid=?" + std::to_string(index + 1);
}

// The statements of a report and the writer of its history, prepared
// together.
struct ReportStatements {
    explicit ReportStatements(sqlite3* db)
        : count(db, ReportCountStatement()),
          update(db, ReportUpdateStatement()),
          insert(db, ReportInsertStatement()),
          macRows(db, kMacRowsSql),
          macLessRows(db, kMacLessRowsSql),
          rowUpdate(db, RowUpdateSql()),
          history(db),
          seen(db),
          cache(db),
          identity(cache),
          software(db),
          savepoint(db, "SAVEPOINT report"),
          release(db, "RELEASE report"),
          rollbackTo(db, "ROLLBACK TO report") {}

    Prepared count;
    Prepared update;
    Prepared insert;
    SqliteStatement macRows;
    SqliteStatement macLessRows;
    SqliteStatement rowUpdate;
    HistoryWriter history;
    ReportSeenWriter seen;
    StatementCache cache;  // before the writer that uses it
    IdentityWriter identity;
    SoftwareWriter software;
    // Each report's own savepoint, prepared once: the group's transaction
    // runs them for every report.
    SqliteStatement savepoint;
    SqliteStatement release;
    SqliteStatement rollbackTo;
};

// A report's values as a written row carries them to the window: the
// sixteen, without the identity values, which may be long (monitors).
HardwareReport RowValues(const HardwareReport& report) {
    HardwareReport values = report;
    values.identity = ReportIdentity();
    return values;
}

// Runs a statement that returns no rows, and resets it.
void StepOnce(SqliteStatement& statement) {
    const SqliteStatement::ResetOnExit reset(statement);
    statement.Step();
}

// Adds each change not yet in `all`.
void Merge(std::vector<ReportChange>& all, std::vector<ReportChange> more) {
    for (ReportChange& change : more) {
        if (std::find(all.begin(), all.end(), change) == all.end()) {
            all.push_back(std::move(change));
        }
    }
}

void Execute(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        ThrowSqliteError(db);
    }
}

// How long a leader may wait for the reports it expects before it begins
// the transaction. Every transaction costs the same four syncs however
// many reports it holds, so taking the senders of the last group along
// when they come straight back gains more than the wait costs; one
// sender alone never waits, and a wait that ends empty-handed lowers what
// the next leader expects.
constexpr auto kGroupWait = std::chrono::microseconds(1500);
constexpr std::size_t kLargestExpectedGroup = 64;

}  // namespace

struct ReportStore::Impl {
    InventoryDatabase* connection = nullptr;
    system::LocalClock clock;
    std::atomic<bool> recordHistory{true};

    mutable std::mutex mutex;
    std::condition_variable turn;
    std::condition_variable arrived;  // a report joined the queue
    std::vector<Pending*> queue;
    bool leading = false;  // a thread is running a transaction for the queue
    // Reports the next leader waits for: those of the last group, which
    // may come straight back, and those that queued while it ran.
    std::size_t expected = 1;
    Statistics stats;  // guarded by mutex

    HandleStatements<ReportStatements> statements;

    std::string Now() const { return system::TimeText(system::LocalNow(clock)); }

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
    // the open transaction. A report whose MAC no row holds may come from
    // a PC the inventory knows by another MAC (IdentityMatch.h): that row
    // takes the report's MAC first, and the report then overwrites it.
    void StoreOne(ReportStatements& s, Pending& pending) {
        const HardwareReport& report = *pending.report;
        pending.outcome = StoreOutcome();
        if (report.mac.empty()) {
            StoreWithoutMac(s, pending);
            return;
        }
        std::vector<ReportChange> changes;
        bool exists = Exists(s, report, changes);
        std::optional<ReportChange> move;
        if (!exists && report.identity.Sent()) {
            move = MoveToReportedMac(s, pending);
            exists = move && Exists(s, report, changes);
        }
        const std::string time = Now();
        const std::string_view address = pending.address.empty() ? report.ip : pending.address;
        // The time of the PC's previous report is read before this one's
        // is recorded.
        const std::string seenKey = inventory::SeenKeyOfMac(report.mac);
        if (!exists) {
            s.insert.Run(report);
            pending.outcome.rows.push_back(
                {sqlite3_last_insert_rowid(sqlite3_db_handle(s.insert.statement->Get())), true,
                 RowValues(report)});
            std::vector<ReportChange> none;
            s.identity.Write(report.mac, report.identity, time, seenKey, false, none);
            // djsj keeps the first entry; the latest report is kept beside it.
            s.seen.Record(report.mac, address, time);
            return;
        }
        s.update.Run(report);
        s.identity.Write(report.mac, report.identity, time, seenKey, recordHistory, changes);
        if (move && recordHistory) {
            changes.insert(changes.begin(), std::move(*move));
        }
        if (!changes.empty()) {
            s.history.Record(report.mac, address, time, changes);
        }
        s.seen.Record(report.mac, address, time);
        {
            const SqliteStatement::ResetOnExit reset(s.macRows);
            s.macRows.BindText(1, report.mac);
            while (s.macRows.Step()) {
                pending.outcome.rows.push_back(
                    {s.macRows.Int64(0), false, RowValues(report), move.has_value()});
            }
        }
        pending.outcome.changes = std::move(changes);
    }

    // Looks for the PC the report came from among those known by other
    // MACs; when exactly one is, its row and everything kept under its
    // key take the report's MAC. Returns the change of the row's MAC then.
    // Either way the outcome tells what was found.
    std::optional<ReportChange> MoveToReportedMac(ReportStatements& s, Pending& pending) {
        const HardwareReport& report = *pending.report;
        const IdentityDecision decision = FindSamePc(s.cache, report);
        IdentityNote& note = pending.outcome.identity;
        note.kind = decision.kind;
        note.pcs = decision.agreeing;
        if (decision.kind != IdentityNote::Kind::SamePc) {
            return std::nullopt;
        }
        MacMove::Move(s.cache.Handle(), decision.key, report.mac);
        const bool hadMac = decision.key.rfind("no-mac\t", 0) != 0;
        note.oldMac = hadMac ? decision.key : std::string();
        note.newMac = report.mac;
        note.serial = decision.serial;
        ReportChange change{"mac", std::nullopt, report.mac};
        if (hadMac) {
            change.oldValue = decision.key;
        }
        return change;
    }

    // A report without a MAC: its own rows, found by address and PC name,
    // or a new one.
    void StoreWithoutMac(ReportStatements& s, Pending& pending) {
        const HardwareReport& report = *pending.report;
        pending.outcome.keyedByAddress = true;
        std::vector<WrittenRow> rows;
        {
            const SqliteStatement::ResetOnExit reset(s.macLessRows);
            s.macLessRows.BindText(1, report.ip);
            s.macLessRows.BindText(2, report.pcname);
            while (s.macLessRows.Step()) {
                WrittenRow row{s.macLessRows.Int64(0), false, RowValues(report)};
                if (row.values.pcname.empty()) {
                    row.values.pcname = std::string(s.macLessRows.Bytes(1));
                }
                rows.push_back(std::move(row));
            }
        }
        const std::string_view address = pending.address.empty() ? report.ip : pending.address;
        // One time for the whole report: its sighting and every row's history.
        const std::string time = Now();
        // Without a MAC the sighting is kept under the address, recorded
        // once the PC's previous report time has served.
        const std::string seenKey = inventory::SeenKeyOfAddress(address);
        if (rows.empty()) {
            s.insert.Run(report);
            pending.outcome.rows.push_back(
                {sqlite3_last_insert_rowid(sqlite3_db_handle(s.insert.statement->Get())), true,
                 RowValues(report)});
            std::vector<ReportChange> none;
            s.identity.Write(HistoryKey("", report.ip, report.pcname), report.identity, time,
                             seenKey, false, none);
            s.seen.Record("", address, time);
            return;
        }
        for (const WrittenRow& row : rows) {
            std::vector<ReportChange> changes;
            if (recordHistory) {
                changes = s.history.ChangesOfRow(row.values, row.rowid);
            }
            {
                const SqliteStatement::ResetOnExit reset(s.rowUpdate);
                int index = 0;
                for (const ReportField& field : kReportFields) {
                    if (field.column != "mac") {
                        s.rowUpdate.BindText(++index, row.values.*field.value);
                    }
                }
                s.rowUpdate.BindInt64(index + 1, row.rowid);
                s.rowUpdate.Step();
            }
            const std::string key = HistoryKey("", row.values.ip, row.values.pcname);
            s.identity.Write(key, report.identity, time, seenKey, recordHistory, changes);
            if (!changes.empty()) {
                s.history.Record(key, address, time, changes);
            }
            Merge(pending.outcome.changes, std::move(changes));
        }
        s.seen.Record("", address, time);
        pending.outcome.rows = std::move(rows);
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
                    StepOnce(prepared.savepoint);
                    try {
                        StoreOne(prepared, *todo[i]);
                        if (todo[i]->software != nullptr) {
                            prepared.software.Store(*todo[i]->report, todo[i]->outcome.rows,
                                                    todo[i]->software, todo[i]->address, Now(),
                                                    prepared.history);
                        }
                        StepOnce(prepared.release);
                    } catch (const StoreError& error) {
                        todo[i]->Fail(error.what());
                        if (sqlite3_get_autocommit(db) != 0) {
                            restart = true;
                        } else {
                            StepOnce(prepared.rollbackTo);
                            StepOnce(prepared.release);
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

ReportStore::ReportStore(InventoryDatabase& connection, system::LocalClock clock)
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
    return StoreReport(report, address).changes;
}

StoreOutcome ReportStore::StoreReport(const HardwareReport& report, std::string_view address,
                                      const SoftwareList* software) {
    Impl& d = *impl_;
    Pending pending;
    pending.report = &report;
    pending.address = address;
    pending.software = software;
    std::unique_lock<std::mutex> lock(d.mutex);
    d.queue.push_back(&pending);
    d.arrived.notify_one();
    while (!pending.done) {
        if (d.leading) {
            d.turn.wait(lock);
            continue;
        }
        // Lead: give the expected reports a moment to join, wait for the
        // connection, then take everything queued by then, this report
        // included, into one transaction.
        d.leading = true;
        const auto until = std::chrono::steady_clock::now() + kGroupWait;
        while (d.queue.size() < d.expected &&
               d.arrived.wait_until(lock, until) != std::cv_status::timeout) {
        }
        d.expected = std::max<std::size_t>(1, d.queue.size());
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
        d.expected = std::min(kLargestExpectedGroup, group.size() + d.queue.size());
        d.leading = false;
        d.turn.notify_all();
    }
    if (pending.failed) {
        throw StoreError(pending.error);
    }
    return std::move(pending.outcome);
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
