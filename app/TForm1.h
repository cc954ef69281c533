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

#include "TADOConnection.h"
#include "TForm1Options.h"
#include "TIPWatch.h"
#include "TTabHost.h"

class QSplitter;
class QTabWidget;

namespace vantrel::intake {
class THttpService;
class TReportHandler;
class TReportSink;
}  // namespace vantrel::intake

namespace vantrel::app {

class TDialogs;
class TEventLog;
class TInventoryTab;
class TScanTab;
class TWindowSink;

class TForm1 : public QMainWindow, public TTabHost {
    Q_OBJECT
  public:
    // Creates every component, starts the HTTP service (a bind failure
    // throws before the window exists), then runs FormCreate. A failing
    // start-up step is shown in the error box and the window is still made.
    explicit TForm1(TForm1Options options, QWidget* parent = nullptr);
    // Stops the HTTP service unless StopIntake already did; unsaved
    // inventory changes are dropped.
    ~TForm1() override;

    // Stops posting to this window and stops the HTTP service. False when a
    // connection thread outlived the stop: it may still be inside the report
    // handler, so the caller should end the process instead of destroying
    // the window (the destructor then leaves what that thread uses alive).
    bool StopIntake();

    // Where connection threads post log lines and online-list marks.
    intake::TReportSink& ReportSink();
    TDialogs& Dialogs() override { return *options_.dialogs; }
    void AppendLog(const std::string& line) override;
    void RunHandler(const std::function<void()>& handler) override;

    // Handlers of the inventory tab.
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button10Click();
    void DBGridEh1TitleClick(int column);
    // Handlers of the LAN scan tab.
    void Button8Click();
    void Button12Click();

    TInventoryTab& InventoryTab() const { return *inventory_; }
    TScanTab& ScanTab() const { return *scan_; }
    TEventLog& EventLog() const { return *log_; }
    intake::THttpService& IdHTTPServer1() const { return *service_; }
    const TIPWatch& IdIPWatch1() const { return ipWatch_; }

  private:
    void FormCreate();
    void CreateComponents();
    // Asks before unsaved inventory changes are dropped.
    void closeEvent(QCloseEvent* event) override;

    TForm1Options options_;
    // Set once StopIntake has run, with its outcome.
    std::optional<bool> intakeStopped_;

    // The components follow in the order they are created and, reversed,
    // destroyed: the address watch goes last (writing iphist.dat), the
    // report handler before the connection it writes through, the HTTP
    // service first.
    TIPWatch ipWatch_;
    store::TADOConnection ADOConnection1;
    std::unique_ptr<TWindowSink> sink_;
    std::unique_ptr<intake::TReportHandler> reportHandler_;
    std::unique_ptr<intake::THttpService> service_;
    // Visual components; Qt's parent chain owns them.
    QSplitter* Splitter1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    std::unique_ptr<TEventLog> log_;
    std::unique_ptr<TInventoryTab> inventory_;
    // Ended first when the window goes.
    std::unique_ptr<TScanTab> scan_;
};

}  // namespace vantrel::app
