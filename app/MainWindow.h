#pragma once
// The main window: the inventory tab, the LAN scan tab and the event log,
// side by side in a splitter. The window composes the tabs, each of which
// owns its controls and handlers, and shows what start-up reports; the
// program (Program.h) runs start-up and the intake.

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "NicMakers.h"
#include "TabHost.h"
#include "WindowSettings.h"

class QSplitter;
class QTabWidget;

namespace vantrel::store {
class InventoryDatabase;
}

namespace vantrel::app {

class Dialogs;
class EventLogView;
class InventoryTab;
class OverviewTab;
class SoftwareTab;
class ScanTab;
struct ProgramOptions;
struct StartupReport;

class MainWindow : public QMainWindow, public TabHost {
    Q_OBJECT
  public:
    // The tabs read and write through `database`; the scan tab probes
    // the port and the makers' registries `options` names. Both `database`
    // and the options' dialogs must outlive the window.
    MainWindow(store::InventoryDatabase& database, const ProgramOptions& options,
               QWidget* parent = nullptr);
    // Ends a running sweep first; unsaved inventory changes are dropped.
    ~MainWindow() override;

    // Shows what start-up reported: its log lines; when the store opened,
    // the rows, the online list's header and the sweep range; then the
    // error box for a failed step or a store that cannot be written.
    void ShowStartup(const StartupReport& report);

    Dialogs& Dialog() override { return dialogs_; }
    void AppendLog(const std::string& line) override;
    void RunHandler(const std::function<void()>& handler) override;
    void InventoryReloaded() override;

    InventoryTab& Inventory() const { return *inventory_; }
    ScanTab& Scan() const { return *scan_; }
    OverviewTab& Overview() const { return *overview_; }
    SoftwareTab& Software() const { return *software_; }
    QTabWidget& Pages() const { return *pages_; }
    const inventory::NicMakers& NicMakers() const { return makers_; }
    EventLogView& EventLog() const { return *log_; }

    // "Vantrel <version>" and what the program is, for the 关于 box (GBK).
    static std::string AboutText();

  private:
    void CreateControls(store::InventoryDatabase& database, const ProgramOptions& options);
    WindowSettings Settings() const;
    // Asks before unsaved inventory changes are dropped.
    void closeEvent(QCloseEvent* event) override;

    Dialogs& dialogs_;
    // Where the window's size, splitter and column widths are kept.
    std::string settingsFile_;
    inventory::NicMakers makers_;
    // Visual components; Qt's parent chain owns them.
    QSplitter* splitter_ = nullptr;
    QTabWidget* pages_ = nullptr;
    std::unique_ptr<EventLogView> log_;
    std::unique_ptr<InventoryTab> inventory_;
    std::unique_ptr<OverviewTab> overview_;
    std::unique_ptr<SoftwareTab> software_;
    // Ended first when the window goes.
    std::unique_ptr<ScanTab> scan_;
};

}  // namespace vantrel::app
