#pragma once
// The LAN scan tab: the online list StringGrid1, the range Edit2..Edit3,
// Button8 with its labels and the online-list export Button12. The tab
// creates and owns these controls and the list, runs their handlers, makes
// the probers of each sweep with the notifiers that feed their sockets'
// datagrams to them on the main thread, and colours the hosts that have
// never reported.

#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TDialogs.h"
#include "TOnlineList.h"
#include "TQtMainThread.h"
#include "TReportedMacs.h"
#include "TScanWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSocketNotifier;
class QTabWidget;
class QTableView;
class QWidget;

namespace vantrel::scan {
class TNbt;
}
namespace vantrel::store {
class TADOConnection;
}

namespace vantrel::app {

class TOnlineListModel;
class TTabHost;

class TScanTab : public QObject, public scan::TScanWindow {
    Q_OBJECT
  public:
    // Adds TabSheet2 to `pages`. `peerPort` is where probes go: 137, or a
    // test responder's port. The colours look MACs up through `connection`.
    TScanTab(QTabWidget& pages, store::TADOConnection& connection, TTabHost& host,
             std::uint16_t peerPort);
    // Ends every sweep before the probers and the list go: hand-offs are
    // refused from now on, so no worker waits on the main thread, and each
    // worker is waited for (at most one Interval).
    ~TScanTab() override;
    TScanTab(const TScanTab&) = delete;
    TScanTab& operator=(const TScanTab&) = delete;

    // Start-up: the list's header row, and the range of the local
    // address's /24 (prefix.1 to prefix.254).
    void WriteHeader();
    void PrefillRange(const std::string& localAddress);

    // Starts a sweep over Edit2..Edit3 when idle, stops it when running.
    void Button8Click();
    // Exports the online list to a spreadsheet file.
    void Button12Click();

    // Reports were stored: marks every row of each address as reported by
    // its user, and the colours are looked up anew.
    void ApplyMarks(const std::vector<std::pair<std::string, std::string>>& marks);
    // Whether the list's row `row` shows a host whose MAC table ip lacks.
    bool IsUnreported(std::size_t row) const;

    // Button8's running flag: 0 idle, 1 running.
    int Tag() const;
    // Probers with an open socket.
    std::size_t ProberCount() const { return probers_.size(); }
    QWidget* TabSheet2() const { return tabSheet_; }
    TOnlineListModel& OnlineListSource() const { return *model_; }

    scan::TOnlineList& OnlineList() override { return list_; }
    void OnlineListChanged() override;
    void SetProbeAddressText(const std::string& text) override;
    void SetCountText(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    bool AskAbortAfterSendError(const std::string& text) override;
    void SweepAborted(const scan::TNbt& prober) override;
    void SweepCompleted(const scan::TNbt& prober) override;

  private:
    void CreateControls();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void SetIdle(const char* caption);
    void StartSweep(const std::string& from, const std::string& to);

    struct Prober {
        std::unique_ptr<scan::TNbt> nbt;
        std::unique_ptr<QSocketNotifier> notifier;
    };

    TTabHost& host_;
    std::uint16_t peerPort_;
    // The cells of StringGrid1.
    scan::TOnlineList list_;
    // The export's save dialog: keeps its file name and filter entry from
    // one export to the next.
    SaveDialogRequest dlgSavedlg1;
    QWidget* tabSheet_;
    QTableView* StringGrid1 = nullptr;
    TOnlineListModel* model_ = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QPushButton* Button8 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label7 = nullptr;
    QPushButton* Button12 = nullptr;
    TQtMainThread mainThread_;
    // The current prober (last) and the one before it; earlier ones are
    // kept only while their worker still runs.
    std::vector<Prober> probers_;
    scan::TNbt* current_ = nullptr;
    TReportedMacs reported_;
};

}  // namespace vantrel::app
