#include "SweepWorker.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "Ipv4Text.h"
#include "MainThread.h"
#include "NeighbourResolution.h"
#include "NodeStatus.h"
#include "ScanWindow.h"

namespace vantrel::scan {

namespace {
constexpr std::uint32_t kLastNumberMask = 0xFFu;
// Between tries for room. Readiness comes only once half the buffer is
// free, while one datagram fits as soon as one has left; the stop request
// is checked as often.
constexpr int kRoomRetryMs = 10;
}  // namespace

SweepWorker::SweepWorker(NodeStatusProber& prober, ScanWindow& window, MainThread& mainThread,
                         StopFlag stop, std::shared_ptr<SweepEvent> event, std::string fromText,
                         std::string toText, std::int32_t interval)
    : prober_(prober),
      window_(window),
      mainThread_(mainThread),
      stop_(std::move(stop)),
      event_(std::move(event)),
      fromText_(std::move(fromText)),
      toText_(std::move(toText)),
      interval_(interval) {}

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
    // The prober belongs to the main thread: its socket is read there, once.
    const bool copied = mainThread_.RunSync([this] { socket_ = prober_.Socket(); });
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
        currentAddressText_ = DottedDecimal(static_cast<std::uint32_t>(a));
        if (!SendWaitingForRoom(static_cast<std::uint32_t>(a))) {
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

bool SweepWorker::SendWaitingForRoom(std::uint32_t address) {
    using Clock = std::chrono::steady_clock;
    NodeStatusProber::SendOutcome outcome = NodeStatusProber::SendOutcome::Done;
    const auto attempt = [&](bool lastTry) {
        return mainThread_.RunSync([&] {
            outcome = prober_.SendRequest(NodeStatusRequest(), currentAddressText_, lastTry);
        });
    };
    if (!attempt(false)) {
        return false;
    }
    if (outcome == NodeStatusProber::SendOutcome::Done) {
        return true;
    }
    const Clock::time_point deadline = Clock::now() + NeighbourResolutionTime(address);
    while (Clock::now() < deadline) {
        if (stop_->load()) {
            return true;
        }
        const Clock::time_point before = Clock::now();
        pollfd writable{socket_, POLLOUT, 0};
        if (::poll(&writable, 1, kRoomRetryMs) != 0 &&
            Clock::now() - before < std::chrono::milliseconds(1)) {
            // Ready at once, yet no room a moment ago: no busy loop.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!attempt(false)) {
            return false;
        }
        if (outcome == NodeStatusProber::SendOutcome::Done) {
            return true;
        }
    }
    return attempt(true);
}

}  // namespace vantrel::scan
