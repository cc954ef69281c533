#include "MainWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <exception>

#include "AccessImport.h"
#include "Controls.h"
#include "Dialogs.h"
#include "EventLogView.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "HttpService.h"
#include "InventoryEditing.h"
#include "InventorySearch.h"
#include "InventoryTab.h"
#include "ReportHandler.h"
#include "ScanTab.h"
#include "StoreError.h"
#include "VantrelApplication.h"
#include "WindowSink.h"

namespace vantrel::app {

namespace {

// ":8899已开启，可通知员工用IE访问此地址，以便收集硬件信息。" The port in it is
// part of the fixed text.
const std::string& kListeningText =
    u8":8899已开启，可通知员工用IE访问此地址，以便收集硬件信息。"_gbk;
constexpr std::size_t kRuleLength = 33;
const std::string& kUnknownError = u8"未知错误"_gbk;
const std::string& kCaption = u8"Vantrel软件"_gbk;
// "当前目录中没有 ip.html，员工打开的网页将显示错误"
const std::string& kNoPageText = u8"当前目录中没有 ip.html，员工打开的网页将显示错误"_gbk;
// "db.mdb 是只读的，员工提交的信息无法保存（" reason "）"
const std::string& kReadOnlyText = u8"db.mdb 是只读的，员工提交的信息无法保存（"_gbk;
const std::string& kReadOnlyEnd = u8"）"_gbk;

constexpr int kClientWidth = 1054;
constexpr int kClientHeight = 577;
constexpr int kMemoWidth = 226;
constexpr int kSplitterWidth = 3;

std::string DatabasePathOf(const MainWindowOptions& options) {
    return options.databasePath.empty() ? store::InventoryDatabase::DefaultDatabasePath()
                                        : options.databasePath;
}

}  // namespace

MainWindow::MainWindow(MainWindowOptions options, QWidget* parent)
    : QMainWindow(parent),
      options_(std::move(options)),
      ipWatch_(options_.localAddress, options_.historyFile),
      sink_(std::make_unique<WindowSink>(
          this,
          [this](const std::vector<std::string>& lines) {
              if (log_) {
                  log_->AppendLogLines(lines);
              }
          },
          [this](const std::vector<WindowSink::Mark>& marks) {
              if (scan_) {
                  scan_->ApplyMarks(marks);
              }
          })),
      reportHandler_(std::make_unique<intake::ReportHandler>(
          database_, *sink_, options_.clock, options_.neighbourTable, options_.pageFile)),
      service_(std::make_unique<intake::HttpService>(options_.port)) {
    CreateControls();
    Dialog().SetMainWindow(this);
    intake::ReportHandler* handler = reportHandler_.get();
    service_->SetOnCommandGet(
        [handler](intake::Connection& connection, const intake::HttpRequest& request,
                  intake::HttpReply&) { handler->RouteRequest(connection, request); });
    service_->StartService();
    RunStartup();
}

MainWindow::~MainWindow() {
    // A running sweep ends before anything it uses goes.
    scan_.reset();
    if (!StopIntake()) {
        // A connection thread may still be inside the report handler: leave
        // it the handler, the service, the sink and the store's connection.
        [[maybe_unused]] auto* handler = reportHandler_.release();
        [[maybe_unused]] auto* service = service_.release();
        [[maybe_unused]] auto* sink = sink_.release();
        database_.Abandon();
    }
    inventory_.reset();
}

void MainWindow::CreateControls() {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(FromGbk(kCaption));
    setFont(FaceFont(13));

    splitter_ = Named(new QSplitter(Qt::Horizontal, this), "splitter");
    splitter_->setHandleWidth(kSplitterWidth);
    splitter_->setChildrenCollapsible(false);
    setCentralWidget(splitter_);

    pages_ = Named(new QTabWidget(splitter_), "pages");
    inventory_ = std::make_unique<InventoryTab>(*pages_, database_, *this);
    scan_ = std::make_unique<ScanTab>(*pages_, database_, *this, options_.nbnsPort);
    pages_->setCurrentWidget(inventory_->Page());
    log_ = std::make_unique<EventLogView>(splitter_);

    splitter_->addWidget(pages_);
    splitter_->addWidget(log_->View());
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    splitter_->setSizes({kClientWidth - kMemoWidth - kSplitterWidth, kMemoWidth});

    resize(kClientWidth, kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(0, 0), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

bool MainWindow::StopIntake() {
    if (intakeStopped_) {
        return *intakeStopped_;
    }
    // Connection threads may still be finishing a report: stop posting to
    // this window first, then wait for them.
    sink_->Detach();
    try {
        service_->StopService();
        intakeStopped_ = true;
    } catch (const std::exception&) {
        intakeStopped_ = false;
    }
    return *intakeStopped_;
}

void MainWindow::RunStartup() {
    // What keeps reports from being stored although the store opened; told
    // once the window has its rows.
    std::string notWritable;
    RunHandler([this, &notWritable] {
        const std::string localAddress = ipWatch_.LocalIP();
        log_->AppendLog("http://" + localAddress + kListeningText);
        reportHandler_->SetListeningAddress(localAddress + ":" + std::to_string(service_->Port()));
        log_->AppendLog(std::string(kRuleLength, '='));
        if (!reportHandler_->PageFileFound()) {
            log_->AppendLog(kNoPageText);
        }
        const std::string databasePath = DatabasePathOf(options_);
        // An inventory kept in an Access file becomes the store's own first;
        // a failed conversion fails the start-up as a store that cannot open.
        if (auto converted = importer::AccessImport::ConvertIfAccess(databasePath)) {
            log_->AppendLogLines(converted->LogLines(databasePath));
        }
        try {
            database_.Open(databasePath);
        } catch (const store::MissingColumnsError& error) {
            log_->AppendLog(error.what());
            throw;
        }
        const std::string reason = database_.ReadOnlyReason();
        if (!reason.empty()) {
            notWritable = kReadOnlyText + reason + kReadOnlyEnd;
            log_->AppendLog(notWritable);
        }
        inventory_->Open();
        scan_->WriteHeader();
        scan_->PrefillRange(localAddress);
    });
    if (!notWritable.empty()) {
        Dialog().ShowError(notWritable);
    }
}

void MainWindow::RunHandler(const std::function<void()>& handler) {
    std::string message;
    try {
        handler();
        return;
    } catch (const std::exception& error) {
        message = error.what();
    } catch (...) {
        message = kUnknownError;
    }
    // Shown outside the catch block: the box runs a nested message loop.
    Dialog().ShowError(message);
}

void MainWindow::AppendLog(const std::string& line) {
    log_->AppendLog(line);
}

intake::ReportSink& MainWindow::Sink() {
    return *sink_;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A close by SIGTERM or SIGINT has nobody to answer a question.
    const auto* application = qobject_cast<VantrelApplication*>(QCoreApplication::instance());
    const bool unattended = application != nullptr && application->CloseRequested();
    bool close = true;
    RunHandler([&] { close = inventory_->Editing().ConfirmClose(unattended); });
    if (close) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::Search() {
    inventory_->Search().Search();
}
void MainWindow::Save() {
    inventory_->Editing().Save();
}
void MainWindow::DeleteRow() {
    inventory_->Editing().DeleteRow();
}
void MainWindow::CancelEdits() {
    inventory_->Editing().CancelEdits();
}
void MainWindow::AddRow() {
    inventory_->Editing().AddRow();
}
void MainWindow::ShowAll() {
    inventory_->Search().ShowAll();
}
void MainWindow::Export() {
    inventory_->Export();
}
void MainWindow::Refresh() {
    inventory_->Search().Refresh();
}
void MainWindow::SortByColumn(int column) {
    inventory_->Search().SortByColumn(column);
}
void MainWindow::ToggleSweep() {
    scan_->ToggleSweep();
}
void MainWindow::ExportOnlineList() {
    scan_->ExportOnlineList();
}

}  // namespace vantrel::app
