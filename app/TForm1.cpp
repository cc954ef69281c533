#include "TForm1.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextBlock>
#include <algorithm>
#include <cstdlib>
#include <exception>

#include "GbkText.h"
#include "Ipv4Text.h"
#include "TDBGridEh.h"
#include "TDialogs.h"
#include "TExportHandlers.h"
#include "THttpService.h"
#include "TInventoryEditing.h"
#include "TInventoryModel.h"
#include "TInventorySearch.h"
#include "TOnlineListModel.h"
#include "TReportHandler.h"
#include "TScanTab.h"
#include "TVantrelApplication.h"
#include "TWindowSink.h"

namespace vantrel::app {

namespace {

// ":8899已开启，可通知员工用IE访问此地址，以便收集硬件信息。" The port in it is
// part of the fixed text.
constexpr char kListeningText[] =
    ":8899\xd2\xd1\xbf\xaa\xc6\xf4\xa3\xac\xbf\xc9\xcd\xa8\xd6\xaa\xd4\xb1\xb9\xa4\xd3\xc3IE"
    "\xb7\xc3\xce\xca\xb4\xcb\xb5\xd8\xd6\xb7\xa3\xac\xd2\xd4\xb1\xe3\xca\xd5\xbc\xaf\xd3\xb2"
    "\xbc\xfe\xd0\xc5\xcf\xa2\xa1\xa3";
constexpr std::size_t kRuleLength = 33;
constexpr char kUnknownError[] = "\xce\xb4\xd6\xaa\xb4\xed\xce\xf3";  // 未知错误

std::string DatabasePathOf(const TForm1Options& options) {
    return options.databasePath.empty() ? store::TADOConnection::DefaultDatabasePath()
                                        : options.databasePath;
}

}  // namespace

TForm1::TForm1(TForm1Options options, QWidget* parent)
    : QMainWindow(parent),
      options_(std::move(options)),
      IdIPWatch1(options_.localAddress, options_.historyFile),
      ADOQuery1(ADOConnection1),
      sink_(std::make_unique<TWindowSink>(
          this, [this](const std::vector<std::string>& lines) { AppendLogLines(lines); },
          [this](const std::vector<TWindowSink::Mark>& marks) {
              for (const auto& [address, user] : marks) {
                  OnlineList.MarkReported(address, user);
              }
              if (ScanTab) {
                  ScanTab->ReportArrived();
              }
              OnlineListChanged();
          })),
      reportHandler_(std::make_unique<intake::TReportHandler>(
          ADOConnection1, *sink_, options_.clock, options_.neighbourTable, options_.pageFile)),
      IdHTTPServer1(std::make_unique<intake::THttpService>(options_.port)) {
    CreateComponents();
    ScanTab = std::make_unique<TScanTab>(*this, options_.nbnsPort);
    OnlineListSource->SetUnreportedTest(
        [this](std::size_t row) { return ScanTab && ScanTab->IsUnreported(row); });
    search_ = std::make_unique<TInventorySearch>(*this);
    editing_ = new TInventoryEditing(*this);
    ConnectHandlers();
    Dialogs().SetMainWindow(this);
    intake::TReportHandler* handler = reportHandler_.get();
    IdHTTPServer1->SetOnCommandGet(
        [handler](intake::TConnection& connection, const intake::HttpRequest& request,
                  intake::HttpReply&) { handler->IdHTTPServer1CommandGet(connection, request); });
    IdHTTPServer1->StartService();
    FormCreate();
}

TForm1::~TForm1() {
    // A running sweep ends before anything it uses goes.
    ScanTab.reset();
    if (!StopIntake()) {
        // A connection thread may still be inside the report handler: leave
        // it the handler, the service, the sink and the store's connection.
        [[maybe_unused]] auto* handler = reportHandler_.release();
        [[maybe_unused]] auto* service = IdHTTPServer1.release();
        [[maybe_unused]] auto* sink = sink_.release();
        ADOConnection1.Abandon();
    }
    // The views go after the datasets they show; they must not read them.
    // The models go first: a model's end drops every index into it at once,
    // whereas an accessibility client's cached cells, torn down with their
    // view, would each search the model's index list (minutes for a large
    // grid).
    DBGridEh1->setModel(nullptr);
    StringGrid1->setModel(nullptr);
    delete DataSource1;
    delete OnlineListSource;
}

bool TForm1::StopIntake() {
    if (intakeStopped_) {
        return *intakeStopped_;
    }
    // Connection threads may still be finishing a report: stop posting to
    // this window first, then wait for them.
    sink_->Detach();
    try {
        IdHTTPServer1->StopService();
        intakeStopped_ = true;
    } catch (const std::exception&) {
        intakeStopped_ = false;
    }
    return *intakeStopped_;
}

void TForm1::FormCreate() {
    RunHandler([this] {
        const std::string localAddress = IdIPWatch1.LocalIP();
        AppendLog("http://" + localAddress + kListeningText);
        reportHandler_->SetListeningAddress(localAddress + ":" +
                                            std::to_string(IdHTTPServer1->Port()));
        AppendLog(std::string(kRuleLength, '='));
        ADOConnection1.Open(DatabasePathOf(options_));
        ADOQuery1.Open();
        // The grid is shown the rows once, sorted; also when the sort fails.
        try {
            ADOQuery1.SetSort("bm");
        } catch (...) {
            DataSetChanged();
            throw;
        }
        DataSetChanged();
        OnlineList.WriteHeader();
        OnlineListChanged();
        const std::string prefix = scan::AddressPrefix(localAddress);
        Edit2->setText(FromGbk(prefix + "1"));
        Edit3->setText(FromGbk(prefix + "254"));
    });
}

void TForm1::RunHandler(const std::function<void()>& handler) {
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
    Dialogs().ShowError(message);
}

void TForm1::AppendLog(const std::string& line) {
    AppendLogLines({line});
}

void TForm1::AppendLogLines(const std::vector<std::string>& lines) {
    // One line of text is one line of the log: a line break inside it (a
    // user name from the network) must not split it. All lines go in with
    // one append; Memo1 drops what exceeds kMaxLogLines from the top.
    if (lines.empty()) {
        return;
    }
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            text += '\n';
        }
        for (char c : lines[i]) {
            text += (c == '\r' || c == '\n') ? ' ' : c;
        }
    }
    Memo1->appendPlainText(FromGbk(text));
}

std::vector<std::string> TForm1::LogLines() const {
    std::vector<std::string> lines;
    if (Memo1->document()->isEmpty()) {
        return lines;
    }
    for (QTextBlock block = Memo1->document()->begin(); block.isValid(); block = block.next()) {
        lines.push_back(ToGbk(block.text()));
    }
    return lines;
}

intake::TReportSink& TForm1::ReportSink() {
    return *sink_;
}

void TForm1::OnlineListChanged() {
    OnlineListSource->Sync();
}

void TForm1::DataSetChanged() {
    DBGridEh1->Resync();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A close by SIGTERM or SIGINT has nobody to answer a question.
    const auto* application = qobject_cast<TVantrelApplication*>(QCoreApplication::instance());
    const bool unattended = application != nullptr && application->CloseRequested();
    bool close = true;
    RunHandler([&] { close = editing_->ConfirmClose(unattended); });
    if (close) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TForm1::Button1Click() {
    search_->Button1Click();
}
void TForm1::Button2Click() {
    editing_->Button2Click();
}
void TForm1::Button3Click() {
    editing_->Button3Click();
}
void TForm1::Button4Click() {
    editing_->Button4Click();
}
void TForm1::Button5Click() {
    editing_->Button5Click();
}
void TForm1::Button6Click() {
    search_->Button6Click();
}
void TForm1::Button7Click() {
    ExportInventory(*this);
}
void TForm1::Button10Click() {
    search_->Button10Click();
}
void TForm1::DBGridEh1TitleClick(int column) {
    search_->DBGridEh1TitleClick(column);
}
void TForm1::Button12Click() {
    ExportOnlineList(*this, dlgSavedlg1);
}

}  // namespace vantrel::app
