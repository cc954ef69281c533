#pragma once
// Durable storage of reports, keyed by MAC, with group commit: reports that
// arrive while a transaction is being committed are written together in the
// next one, so that they share one journal and one set of syncs. Safe to
// call from any number of threads.

#include <cstdint>
#include <memory>
#include <string>

#include "HardwareReport.h"

namespace vantrel::store {

class TADOConnection;

class TReportStore {
  public:
    explicit TReportStore(TADOConnection& connection);
    ~TReportStore();
    TReportStore(const TReportStore&) = delete;
    TReportStore& operator=(const TReportStore&) = delete;

    // Counts the rows whose mac equals the report's; when there are any,
    // overwrites every one of them with the report's values but the MAC,
    // otherwise inserts one row with all sixteen. Every value is stored as
    // text, "" included. Returns once the transaction holding the report has
    // committed. Throws StoreError with the database's message when the
    // report's own statement fails or when its transaction cannot commit;
    // nothing of the report is stored then. Must not be called while
    // holding the connection's lock: the thread writing the group needs it.
    void Store(const HardwareReport& report);

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
