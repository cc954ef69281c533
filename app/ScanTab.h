#pragma once
// The LAN scan tab: the online list view, the range firstAddressEdit_..lastAddressEdit_,
// sweepButton_ with its labels and the online-list export exportOnlineButton_. The tab
// creates and owns these controls and the list, runs their handlers, makes
// the probers of each sweep with the notifiers that feed their sockets'
// datagrams to them on the main thread, and colours the hosts that have
// never reported.

#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Dialogs.h"
#include "LocalClock.h"
#include "OnlineList.h"
#include "QtMainThread.h"
#include "ReportedMacs.h"
#include "ScanWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSocketNotifier;
class QTabWidget;
class QTableView;
class QWidget;

namespace vantrel::scan {
class NodeStatusProber;
}
namespace vantrel::store {
class InventoryDatabase;
}

namespace vantrel::app {

class OnlineListModel;
class SightingBatch;
class TabHost;

class ScanTab : public QObject, public scan::ScanWindow {
    Q_OBJECT
  public:
    // Adds the scan page to `pages`. `peerPort` is where probes go: 137, or a
    // test responder's port. The colours look MACs up through `connection`.
    // Answers are dated by `clock` (empty: the system's local time).
    ScanTab(QTabWidget& pages, store::InventoryDatabase& connection, TabHost& host,
            std::uint16_t peerPort, system::LocalClock clock = {});
    // Ends every sweep before the probers and the list go: hand-offs are
    // refused from now on, so no worker waits on the main thread, and each
    // worker is waited for (at most one Interval).
    ~ScanTab() override;
    ScanTab(const ScanTab&) = delete;
    ScanTab& operator=(const ScanTab&) = delete;

    // Start-up: the list's header row, and the range of the local
    // address's network when smaller than a /24, else of its /24 (the
    // netmask read from the interface that holds the address).
    void WriteHeader();
    void PrefillRange(const std::string& localAddress);

    // Starts a sweep over firstAddressEdit_..lastAddressEdit_ when idle, stops it when running.
    void ToggleSweep();
    // Exports the online list to a spreadsheet file.
    void ExportOnlineList();

    // Reports were stored: marks every row of each address as reported by
    // its user, and the colours are looked up anew.
    void ApplyMarks(const std::vector<std::pair<std::string, std::string>>& marks);
    // Whether the list's row `row` shows a host whose MAC table ip lacks.
    bool IsUnreported(std::size_t row) const;

    // sweepButton_'s running flag: 0 idle, 1 running.
    int Tag() const;
    // Probers with an open socket.
    std::size_t ProberCount() const { return probers_.size(); }
    QWidget* Page() const { return page_; }
    OnlineListModel& OnlineListSource() const { return *model_; }

    scan::OnlineList& List() override { return list_; }
    void OnlineListChanged() override;
    // Kept for ip_seen, which gets them at most once a second and when the
    // sweep ends: one transaction each time, never one per answer.
    void AnswerReceived(const scan::NodeStatusProber& prober, const std::string& name,
                        const std::string& address, const std::string& mac) override;
    // Writes the answers kept so far. A failed write is told once in the
    // event log per sweep and the answers are dropped; the list keeps them.
    void FlushSightings();
    void SetProbeAddressText(const std::string& text) override;
    void SetCountText(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    bool AskAbortAfterSendError(const std::string& text) override;
    void SweepAborted(const scan::NodeStatusProber& prober) override;
    void SweepCompleted(const scan::NodeStatusProber& prober) override;

  private:
    void CreateControls();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void SetIdle(std::string_view caption);
    void StartSweep(const std::string& from, const std::string& to);

    struct Prober {
        std::unique_ptr<scan::NodeStatusProber> nbt;
        std::unique_ptr<QSocketNotifier> notifier;
        std::string sweepTime;  // local time its sweep began
    };

    TabHost& host_;
    std::uint16_t peerPort_;
    // The cells of the online list view.
    scan::OnlineList list_;
    // The export's save dialog: keeps its file name and filter entry from
    // one export to the next.
    SaveDialogRequest exportDialogState_;
    QWidget* page_;
    QTableView* onlineListView_ = nullptr;
    OnlineListModel* model_ = nullptr;
    QLineEdit* firstAddressEdit_ = nullptr;
    QLineEdit* lastAddressEdit_ = nullptr;
    QPushButton* sweepButton_ = nullptr;
    QLabel* probeAddressLabel_ = nullptr;
    QLabel* onlineCountLabel_ = nullptr;
    QPushButton* exportOnlineButton_ = nullptr;
    QtMainThread mainThread_;
    // The current prober (last) and the one before it; earlier ones are
    // kept only while their worker still runs.
    std::vector<Prober> probers_;
    scan::NodeStatusProber* current_ = nullptr;
    ReportedMacs reported_;
    SightingBatch* sightings_ = nullptr;
    bool seenFailureTold_ = false;
};

}  // namespace vantrel::app
