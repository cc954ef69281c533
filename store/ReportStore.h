#pragma once
// Durable storage of reports, keyed by MAC, with group commit: reports that
// arrive while a transaction is being committed are written together in the
// next one, so that they share one journal and one set of syncs. Safe to
// call from any number of threads.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "HardwareReport.h"
#include "LocalClock.h"

namespace vantrel::store {

class InventoryDatabase;
struct SoftwareList;

// A row of ip that one report wrote, with the values it holds now in the
// report's columns (its MAC and entry time aside; the identity values are
// not carried).
struct WrittenRow {
    std::int64_t rowid = 0;
    bool inserted = false;
    HardwareReport values;
    // The row took the report's MAC: the PC was known by another one.
    bool macMoved = false;
};

// Why a report whose MAC the inventory did not hold was or was not taken
// for a PC it holds (IdentityMatch.h).
struct IdentityNote {
    enum class Kind { None, SamePc, ClonedUuid, SeveralPcs };
    Kind kind = Kind::None;
    std::string oldMac;   // SamePc: the MAC the row held ("" for none)
    std::string newMac;   // SamePc: the report's
    std::string serial;   // SamePc: the system serial, "" when unknown
    std::size_t pcs = 0;  // SeveralPcs: how many agreed
};

// What storing one report did.
struct StoreOutcome {
    std::vector<ReportChange> changes;  // as Store returns them
    std::vector<WrittenRow> rows;
    // The report came without a MAC and was matched by its address.
    bool keyedByAddress = false;
    IdentityNote identity;
};

class ReportStore {
  public:
    // Without a clock, the history is dated by the system's local time.
    explicit ReportStore(InventoryDatabase& connection, system::LocalClock clock = {});
    ~ReportStore();
    ReportStore(const ReportStore&) = delete;
    ReportStore& operator=(const ReportStore&) = delete;

    // Looks for rows whose mac equals the report's; when there are any,
    // overwrites every one of them with the report's values but the MAC,
    // otherwise inserts one row with all sixteen. Every value is stored as
    // text, "" included. An overwrite first reads what it replaces, and
    // every value it changes gets a row in ip_history, dated now and
    // naming `address` (the report's ip when empty), in the same
    // transaction as the update, which also drops the MAC's oldest entries
    // beyond the history's bound (see HistoryWriter). Returns those changes once the
    // transaction holding the report has committed; an insert changes
    // nothing. Throws StoreError with the database's message when the
    // report's own statements fail or when its transaction cannot commit;
    // nothing of the report is stored then, its history included. Must not
    // be called while holding the connection's lock: the thread writing
    // the group needs it.
    //
    // A report without a MAC (a browser the neighbour table could not see)
    // is not keyed on the empty text, which would merge every such PC into
    // one row: it overwrites the MAC-less rows with its ip and, when it
    // names one, its pcname (a row's pcname stays when the report names
    // none), otherwise it inserts a row. The history of such a row is kept
    // under HistoryKey of the row, so that it holds that PC's changes only.
    std::vector<ReportChange> Store(const HardwareReport& report, std::string_view address = {});
    // The same, also telling which rows it wrote; a list of programs, when
    // given, is stored in the report's transaction (SoftwareWriter).
    StoreOutcome StoreReport(const HardwareReport& report, std::string_view address = {},
                             const SoftwareList* software = nullptr);

    // On unless turned off; off, an overwrite neither reads nor records
    // what it replaces. Only for measuring what the history costs.
    void SetRecordHistory(bool on);

    struct Statistics {
        std::uint64_t transactions = 0;  // committed
        std::uint64_t reports = 0;       // stored by them
        std::size_t waiting = 0;         // reports queued for the next transaction
    };
    Statistics Stats() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::store
