#pragma once
// The main window: the inventory tab, the LAN scan tab and the event log,
// side by side in a splitter. The window composes the tabs, each of which
// owns its controls, and holds what they share: the inventory store, the
// dialogs, and the HTTP service with the report handler that feeds the
// event log and the online list. The handler names the window declares
// forward to the tab that owns the control.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "InventoryDatabase.h"
#include "LocalAddressWatch.h"
#include "MainWindowOptions.h"
#include "TabHost.h"
#include "WindowSettings.h"

class QSplitter;
class QTabWidget;

namespace vantrel::intake {
class HttpService;
class ReportHandler;
class ReportSink;
}  // namespace vantrel::intake

namespace vantrel::app {

class Dialogs;
class EventLogView;
class InventoryTab;
class ScanTab;
class WindowSink;

class MainWindow : public QMainWindow, public TabHost {
    Q_OBJECT
  public:
    // Creates every component, starts the HTTP service (a bind failure
    // throws before the window exists), then runs RunStartup. A failing
    // start-up step is shown in the error box and the window is still made.
    explicit MainWindow(MainWindowOptions options, QWidget* parent = nullptr);
    // Stops the HTTP service unless StopIntake already did; unsaved
    // inventory changes are dropped.
    ~MainWindow() override;

    // Stops posting to this window and stops the HTTP service. False when a
    // connection thread outlived the stop: it may still be inside the report
    // handler, so the caller should end the process instead of destroying
    // the window (the destructor then leaves what that thread uses alive).
    bool StopIntake();

    // Where connection threads post log lines and online-list marks.
    intake::ReportSink& Sink();
    Dialogs& Dialog() override { return *options_.dialogs; }
    void AppendLog(const std::string& line) override;
    void RunHandler(const std::function<void()>& handler) override;

    // Handlers of the inventory tab.
    void Search();
    void Save();
    void DeleteRow();
    void CancelEdits();
    void AddRow();
    void ShowAll();
    void Export();
    void Refresh();
    void SortByColumn(int column);
    // Handlers of the LAN scan tab.
    void ToggleSweep();
    void ExportOnlineList();

    InventoryTab& Inventory() const { return *inventory_; }
    ScanTab& Scan() const { return *scan_; }
    EventLogView& EventLog() const { return *log_; }
    intake::HttpService& HttpService() const { return *service_; }
    const LocalAddressWatch& AddressWatch() const { return ipWatch_; }

  private:
    void RunStartup();
    void CreateControls();
    WindowSettings Settings() const;
    // Asks before unsaved inventory changes are dropped.
    void closeEvent(QCloseEvent* event) override;

    MainWindowOptions options_;
    // Set once StopIntake has run, with its outcome.
    std::optional<bool> intakeStopped_;

    // The components follow in the order they are created and, reversed,
    // destroyed: the address watch goes last (writing iphist.dat), the
    // report handler before the connection it writes through, the HTTP
    // service first.
    LocalAddressWatch ipWatch_;
    store::InventoryDatabase database_;
    std::unique_ptr<WindowSink> sink_;
    std::unique_ptr<intake::ReportHandler> reportHandler_;
    std::unique_ptr<intake::HttpService> service_;
    // Visual components; Qt's parent chain owns them.
    QSplitter* splitter_ = nullptr;
    QTabWidget* pages_ = nullptr;
    std::unique_ptr<EventLogView> log_;
    std::unique_ptr<InventoryTab> inventory_;
    // Ended first when the window goes.
    std::unique_ptr<ScanTab> scan_;
};

}  // namespace vantrel::app
