#include "SweepEvent.h"

#include <map>

namespace vantrel::scan {

std::shared_ptr<SweepEvent> SweepEvent::Open(const std::string& name) {
    // Events live as long as the process, like a named event held open by
    // every prober ever made.
    static std::mutex registryMutex;
    static std::map<std::string, std::shared_ptr<SweepEvent>> registry;
    std::lock_guard lock(registryMutex);
    auto& event = registry[name];
    if (!event) {
        event = std::make_shared<SweepEvent>();
    }
    return event;
}

void SweepEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    changed_.notify_all();
}

void SweepEvent::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool SweepEvent::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return signalled_; });
}

}  // namespace vantrel::scan
