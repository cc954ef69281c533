#pragma once
// The main window: the inventory tab, the LAN scan tab and the event log,
// with the HTTP service, the inventory store and the online list it owns.
// Controls keep the names the rest of the program knows them by.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TADOConnection.h"
#include "TADOQuery1.h"
#include "TDBGridEh.h"
#include "TDialogs.h"
#include "TForm1Options.h"
#include "TIPWatch.h"
#include "TOnlineList.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTableView;

namespace vantrel::intake {
class THttpService;
class TReportHandler;
}  // namespace vantrel::intake

namespace vantrel::app {

class TDialogs;
class TInventoryEditing;
class TInventoryModel;
class TInventorySearch;
class TOnlineListModel;
class TScanTab;
class TWindowSink;

class TForm1 : public QMainWindow {
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

    // The event log keeps this many of the latest lines.
    static constexpr int kMaxLogLines = 5000;
    // Appends one whole line (GBK) at the end of the event log. Main thread.
    void AppendLog(const std::string& line);
    // Appends whole lines in one go. Main thread.
    void AppendLogLines(const std::vector<std::string>& lines);
    // The event log's lines as GBK bytes, oldest first.
    std::vector<std::string> LogLines() const;
    // Where connection threads post log lines and online-list marks.
    intake::TReportSink& ReportSink();
    TDialogs& Dialogs() { return *options_.dialogs; }

    // Runs a handler; an error escaping it goes to the error box and the
    // window goes on with whatever state the handler reached.
    void RunHandler(const std::function<void()>& handler);

    // The online list changed: StringGrid1 shows it anew.
    void OnlineListChanged();
    // ADOQuery1's view changed (opened, filtered, sorted, re-queried, rows
    // added or removed): DBGridEh1 shows it anew with its cursor on the
    // dataset's current row.
    void DataSetChanged();

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

  private:
    void FormCreate();
    void CreateComponents();
    void CreateInventoryTab();
    void CreateScanTab();
    void ConnectHandlers();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Asks before unsaved inventory changes are dropped.
    void closeEvent(QCloseEvent* event) override;

    TForm1Options options_;
    // Set once StopIntake has run, with its outcome.
    std::optional<bool> intakeStopped_;

    // The components follow in the order they are created and, reversed,
    // destroyed: the address watch goes last (writing iphist.dat), the
    // report handler before the connection it writes through, the HTTP
    // service first. Like the fields of a form they are public, so that
    // the work of each tab and the tests reach them by name.
  public:
    TIPWatch IdIPWatch1;
    store::TADOConnection ADOConnection1;
    store::TADOQuery1 ADOQuery1;
    // The cells of StringGrid1.
    scan::TOnlineList OnlineList;
    // The online-list export's save dialog: keeps its file name and filter
    // entry from one export to the next.
    SaveDialogRequest dlgSavedlg1;

  private:
    std::unique_ptr<TWindowSink> sink_;
    std::unique_ptr<intake::TReportHandler> reportHandler_;
    // The work of the inventory tab.
    std::unique_ptr<TInventorySearch> search_;
    TInventoryEditing* editing_ = nullptr;  // a child of the window

  public:
    std::unique_ptr<intake::THttpService> IdHTTPServer1;
    // The work of the LAN scan tab; ended first when the window goes.
    std::unique_ptr<TScanTab> ScanTab;

    // Visual components; Qt's parent chain owns them.
    QSplitter* Splitter1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    TDBGridEh* DBGridEh1 = nullptr;
    TInventoryModel* DataSource1 = nullptr;
    QFrame* Panel1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button10 = nullptr;
    QPushButton* Button7 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button2 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QTableView* StringGrid1 = nullptr;
    TOnlineListModel* OnlineListSource = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QPushButton* Button8 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label7 = nullptr;
    QPushButton* Button12 = nullptr;
};

}  // namespace vantrel::app
