#include "TSweepEvent.h"

#include <map>

namespace vantrel::scan {

std::shared_ptr<TSweepEvent> TSweepEvent::Open(const std::string& name) {
    // Events live as long as the process, like a named event held open by
    // every prober ever made.
    static std::mutex registryMutex;
    static std::map<std::string, std::shared_ptr<TSweepEvent>> registry;
    std::lock_guard lock(registryMutex);
    auto& event = registry[name];
    if (!event) {
        event = std::make_shared<TSweepEvent>();
    }
    return event;
}

void TSweepEvent::Set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    changed_.notify_all();
}

void TSweepEvent::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool TSweepEvent::Wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return signalled_; });
}

}  // namespace vantrel::scan
