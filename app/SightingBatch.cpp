#include "SightingBatch.h"

#include <QTimer>

#include "StoreError.h"

namespace vantrel::app {

SightingBatch::SightingBatch(store::InventoryDatabase& connection,
                             std::function<void(const std::string&)> failed,
                             system::LocalClock clock, QObject* parent)
    : QObject(parent),
      seen_(connection),
      failed_(std::move(failed)),
      clock_(std::move(clock)),
      timer_(new QTimer(this)) {
    timer_->setSingleShot(true);
    timer_->setInterval(kFlushMs);
    connect(timer_, &QTimer::timeout, this, [this] { Flush(); });
}

SightingBatch::~SightingBatch() = default;

std::string SightingBatch::Now() const {
    return system::TimeText(system::LocalNow(clock_));
}

void SightingBatch::Add(const std::string& name, const std::string& address, const std::string& mac,
                        const std::string& sweepTime) {
    std::string trimmed = name;
    trimmed.erase(trimmed.find_last_not_of(' ') + 1);
    waiting_.push_back({mac, address, std::move(trimmed), Now(), sweepTime});
    if (!timer_->isActive()) {
        timer_->start();
    }
}

void SightingBatch::Flush() {
    timer_->stop();
    if (waiting_.empty()) {
        return;
    }
    std::vector<store::Sighting> batch = std::move(waiting_);
    waiting_.clear();
    try {
        seen_.RecordSightings(batch);
        ++batches_;
    } catch (const store::StoreError& error) {
        if (failed_) {
            failed_(error.what());
        }
    }
}

}  // namespace vantrel::app
