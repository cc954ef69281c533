#pragma once
// The node-status answers of the sweeps on their way to table ip_seen: kept
// as they arrive and written at most once a second, and whenever Flush is
// called (the sweep ended or stopped), each time in one transaction. A
// sweep of a /22 thus writes a handful of times, not once per answer.
// Main thread only.

#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "IpSeen.h"
#include "LocalClock.h"

class QTimer;

namespace vantrel::app {

class SightingBatch : public QObject {
    Q_OBJECT
  public:
    // `failed` hears a failed write's message (GBK); the batch is dropped.
    // Answers are dated by `clock` (empty: the system's local time).
    SightingBatch(store::InventoryDatabase& connection,
                  std::function<void(const std::string&)> failed, system::LocalClock clock = {},
                  QObject* parent = nullptr);
    ~SightingBatch() override;

    // One answer: `name` as the list shows it (its padding is dropped).
    void Add(const std::string& name, const std::string& address, const std::string& mac,
             const std::string& sweepTime);
    void Flush();

    std::size_t Waiting() const { return waiting_.size(); }
    // Transactions written so far.
    std::size_t Batches() const { return batches_; }
    static constexpr int kFlushMs = 1000;

    // The clock's time now, "YYYY-MM-DD HH:MM:SS".
    std::string Now() const;

  private:
    store::IpSeen seen_;
    std::function<void(const std::string&)> failed_;
    system::LocalClock clock_;
    std::vector<store::Sighting> waiting_;
    QTimer* timer_;
    std::size_t batches_ = 0;
};

}  // namespace vantrel::app
