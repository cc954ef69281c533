#include "SweepWorker.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "Ipv4Text.h"
#include "MainThread.h"
#include "NodeStatus.h"
#include "ScanWindow.h"

namespace vantrel::scan {

namespace {
constexpr std::uint32_t kLastNumberMask = 0xFFu;
}

SweepWorker::SweepWorker(NodeStatusProber& prober, ScanWindow& window, MainThread& mainThread,
                         StopFlag stop, std::shared_ptr<SweepEvent> event)
    : prober_(prober),
      window_(window),
      mainThread_(mainThread),
      stop_(std::move(stop)),
      event_(std::move(event)) {}

SweepWorker::~SweepWorker() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void SweepWorker::Start() {
    thread_ = std::thread([this] {
        Execute();
        finished_.store(true);
    });
}

void SweepWorker::Execute() {
    // The prober's fields belong to the main thread: the range and the
    // pacing are read there, once.
    const bool copied = mainThread_.RunSync([this] {
        fromText_ = prober_.FromText;
        toText_ = prober_.ToText;
        interval_ = prober_.Interval;
    });
    if (!copied) {
        return;
    }
    const std::uint64_t first = DottedQuadToNumber(fromText_);
    const std::uint64_t last = DottedQuadToNumber(toText_);
    const auto wait = std::chrono::milliseconds(std::max<std::int32_t>(interval_, 0));
    // 64-bit counter: a range ending at 255.255.255.255 must still end.
    for (std::uint64_t a = first; a <= last; ++a) {
        if (stop_->load()) {
            return;
        }
        const std::uint64_t lastNumber = a & kLastNumberMask;
        if (lastNumber == 0 || lastNumber == kLastNumberMask) {
            continue;
        }
        CurrentAddressText = DottedDecimal(static_cast<std::uint32_t>(a));
        const bool sent = mainThread_.RunSync(
            [this] { prober_.SendRequest(NodeStatusRequest(), CurrentAddressText); });
        if (!sent) {
            return;
        }
        event_->Wait(wait);
        event_->Reset();
    }
    // Checked on the main thread, in order with the clicks: a sweep stopped
    // while it probed its last address must not set the button of the sweep
    // that may have started since back to idle.
    mainThread_.RunSync([this] {
        if (!stop_->load()) {
            window_.SweepCompleted(prober_);
        }
    });
}

}  // namespace vantrel::scan
