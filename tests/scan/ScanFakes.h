#pragma once
// The main thread and the window of a sweep, played by the test's thread: a
// queue of hand-offs plus a poll on the probers' sockets, and a window that
// records what it is told.

#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "MainThread.h"
#include "NodeStatusProber.h"
#include "OnlineList.h"
#include "ScanWindow.h"

namespace vantrel::scan::test {

class QueueMainThread : public MainThread {
  public:
    bool RunSync(const std::function<void()>& work) override {
        auto call = std::make_shared<Call>(Call{work, false});
        std::unique_lock lock(mutex_);
        if (closed_) {
            return false;
        }
        queue_.push_back(call);
        changed_.notify_all();
        changed_.wait(lock, [&] { return call->done || closed_; });
        return call->done;
    }

    // From now on hand-offs fail; waiting ones return at once.
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        queue_.clear();
        changed_.notify_all();
    }

    // Runs the queued hand-offs and handles readable sockets until `done`
    // holds or `timeout` passes. True when `done` held.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= end) {
                return false;
            }
            RunOnce(1);
        }
        return true;
    }

    void RunFor(std::chrono::milliseconds time) {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end) {
            RunOnce(1);
        }
    }

    // The probers whose sockets the loop watches.
    std::vector<NodeStatusProber*> probers;

  private:
    struct Call {
        std::function<void()> work;
        bool done;
    };

    void RunOnce(int pollMs) {
        std::shared_ptr<Call> call;
        {
            std::lock_guard lock(mutex_);
            if (!queue_.empty()) {
                call = queue_.front();
                queue_.pop_front();
            }
        }
        if (call) {
            call->work();
            std::lock_guard lock(mutex_);
            call->done = true;
            changed_.notify_all();
        }
        std::vector<pollfd> fds;
        for (NodeStatusProber* prober : probers) {
            fds.push_back({prober->Socket(), POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), call ? 0 : pollMs) > 0) {
            for (std::size_t i = 0; i < fds.size(); ++i) {
                if (fds[i].revents & POLLIN) {
                    probers[i]->HandleSocketMessage();
                }
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Call>> queue_;
    bool closed_ = false;
};

class RecordingWindow : public ScanWindow {
  public:
    OnlineList& List() override { return list; }
    void OnlineListChanged() override { ++listChanges; }
    void SetProbeAddressText(const std::string& text) override {
        probeAddress = text;
        probed.push_back(text);
    }
    void SetCountText(const std::string& text) override { countText = text; }
    void ShowInformation(const std::string& text) override { informations.push_back(text); }
    bool AskAbortAfterSendError(const std::string& text) override {
        sendErrors.push_back(text);
        return abortOnSendError;
    }
    void SweepAborted(const NodeStatusProber&) override { ++aborted; }
    void SweepCompleted(const NodeStatusProber&) override {
        ++completed;
        probeAddress.clear();
    }

    OnlineList list;
    int listChanges = 0;
    std::string probeAddress;
    std::string countText;
    // Every address shown in probeAddressLabel, in order: one per SendRequest.
    std::vector<std::string> probed;
    std::vector<std::string> informations;
    std::vector<std::string> sendErrors;
    bool abortOnSendError = true;
    int aborted = 0;
    int completed = 0;
};

}  // namespace vantrel::scan::test
