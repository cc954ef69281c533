#pragma once
// The work of the LAN scan tab: Button8Click, the probers made for each
// sweep with the notifiers that feed their sockets' datagrams to them on the
// main thread, and the colour of hosts that have never reported.

#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TQtMainThread.h"
#include "TReportedMacs.h"
#include "TScanWindow.h"

class QSocketNotifier;

namespace vantrel::scan {
class TNbt;
}

namespace vantrel::app {

class TForm1;

class TScanTab : public scan::TScanWindow {
  public:
    // `peerPort` is where probes go: 137, or a test responder's port.
    TScanTab(TForm1& form, std::uint16_t peerPort);
    // Ends every sweep before the probers and the list go: hand-offs are
    // refused from now on, so no worker waits on the main thread, and each
    // worker is waited for (at most one Interval).
    ~TScanTab() override;
    TScanTab(const TScanTab&) = delete;
    TScanTab& operator=(const TScanTab&) = delete;

    // Starts a sweep over Edit2..Edit3 when idle, stops it when running.
    void Button8Click();
    // A report was stored: the colours are looked up anew when the list is
    // shown next.
    void ReportArrived();
    // Whether the list's row `row` shows a host whose MAC table ip lacks.
    bool IsUnreported(std::size_t row) const;

    // Button8's running flag: 0 idle, 1 running.
    int Tag() const;
    // Probers with an open socket.
    std::size_t ProberCount() const { return probers_.size(); }

    scan::TOnlineList& OnlineList() override;
    void OnlineListChanged() override;
    void SetProbeAddressText(const std::string& text) override;
    void SetCountText(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    bool AskAbortAfterSendError(const std::string& text) override;
    void SweepAborted(const scan::TNbt& prober) override;
    void SweepCompleted(const scan::TNbt& prober) override;

  private:
    void SetIdle(const char* caption);
    void StartSweep(const std::string& from, const std::string& to);

    struct Prober {
        std::unique_ptr<scan::TNbt> nbt;
        std::unique_ptr<QSocketNotifier> notifier;
    };

    TForm1& form_;
    std::uint16_t peerPort_;
    TQtMainThread mainThread_;
    // The current prober (last) and the one before it; earlier ones are
    // kept only while their worker still runs.
    std::vector<Prober> probers_;
    scan::TNbt* current_ = nullptr;
    TReportedMacs reported_;
};

}  // namespace vantrel::app
