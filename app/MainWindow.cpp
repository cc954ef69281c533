#include "MainWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <exception>

#include "Controls.h"
#include "Dialogs.h"
#include "EventLogView.h"
#include "GbkLiteral.h"
#include "GbkText.h"
#include "InventoryEditing.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "InventorySearch.h"
#include "InventoryTab.h"
#include "OnlineListModel.h"
#include "OverviewTab.h"
#include "ProgramOptions.h"
#include "ProgramStartup.h"
#include "ReportFollower.h"
#include "ScanTab.h"
#include "SoftwareTab.h"
#include "VantrelApplication.h"
#include "VantrelVersion.h"
#include "WindowSettings.h"

namespace vantrel::app {

namespace {

const std::string& kUnknownError = u8"未知错误"_gbk;
const std::string& kCaption = u8"Vantrel软件"_gbk;

constexpr int kClientWidth = 1054;
constexpr int kClientHeight = 577;
constexpr int kMemoWidth = 226;
constexpr int kSplitterWidth = 3;

}  // namespace

MainWindow::MainWindow(store::InventoryDatabase& database, const ProgramOptions& options,
                       QWidget* parent)
    : QMainWindow(parent), dialogs_(*options.dialogs) {
    if (!options.ouiDirectory.empty()) {
        makers_ = inventory::NicMakers::Load(options.ouiDirectory);
    }
    CreateControls(database, options);
    settingsFile_ = options.settingsFile;
    Settings().Restore(*this, *splitter_, *inventory_->Grid().horizontalHeader());
    Dialog().SetMainWindow(this);
}

MainWindow::~MainWindow() {
    // A running sweep and a count end before anything they use goes.
    scan_.reset();
    overview_.reset();
    software_.reset();
    inventory_.reset();
}

std::string MainWindow::AboutText() {
    return std::string("Vantrel ") + kVantrelVersion +
           u8"\n\n办公室电脑的硬件信息登记：员工用浏览器或采集程序提交本机信息，管理员在此查询、修改、导出，并扫描在线的电脑。"_gbk;
}

void MainWindow::CreateControls(store::InventoryDatabase& database, const ProgramOptions& options) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(FromGbk(kCaption));
    setFont(FaceFont(13));

    splitter_ = Named(new QSplitter(Qt::Horizontal, this), "splitter");
    splitter_->setHandleWidth(kSplitterWidth);
    splitter_->setChildrenCollapsible(false);
    setCentralWidget(splitter_);

    pages_ = Named(new QTabWidget(splitter_), "pages");
    inventory_ = std::make_unique<InventoryTab>(*pages_, database, *this);
    scan_ = std::make_unique<ScanTab>(*pages_, database, *this, options.nbnsPort, options.clock);
    overview_ = std::make_unique<OverviewTab>(*pages_, database, makers_, *this, options.clock,
                                              [this](const OverviewChoice& choice) {
                                                  pages_->setCurrentWidget(inventory_->Page());
                                                  inventory_->Search().ShowChoice(choice.condition);
                                              });
    software_ = std::make_unique<SoftwareTab>(*pages_, database, *this, [this](const auto& rows) {
        pages_->setCurrentWidget(inventory_->Page());
        inventory_->Search().ShowChoice(rows);
    });
    inventory_->Model().SetMakers(&makers_);
    scan_->OnlineListSource().SetMakers(&makers_);
    pages_->setCurrentWidget(inventory_->Page());
    // The version and what the program is, beside the tabs.
    auto* about = Named(new QToolButton(pages_), "aboutButton");
    about->setText(FromUtf8("关于"));
    about->setAutoRaise(true);
    pages_->setCornerWidget(about, Qt::TopRightCorner);
    connect(about, &QToolButton::clicked, this,
            [this] { RunHandler([this] { Dialog().ShowInformation(AboutText()); }); });
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

void MainWindow::ShowStartup(const StartupReport& report) {
    log_->AppendLogLines(report.logLines);
    if (report.storeOpen) {
        RunHandler([this, &report] {
            inventory_->Open();
            scan_->WriteHeader();
            scan_->PrefillRange(report.localAddress);
        });
    }
    if (!report.error.empty()) {
        Dialog().ShowError(report.error);
    }
    if (!report.notWritable.empty()) {
        Dialog().ShowError(report.notWritable);
    }
}

WindowSettings MainWindow::Settings() const {
    return WindowSettings(QString::fromStdString(settingsFile_));
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

void MainWindow::InventoryReloaded() {
    if (overview_) {
        overview_->InventoryChanged();
    }
}

void MainWindow::AppendLog(const std::string& line) {
    log_->AppendLog(line);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A close by SIGTERM or SIGINT has nobody to answer a question.
    const auto* application = qobject_cast<VantrelApplication*>(QCoreApplication::instance());
    const bool unattended = application != nullptr && application->CloseRequested();
    bool close = true;
    RunHandler([&] { close = inventory_->Editing().ConfirmClose(unattended); });
    if (close) {
        Settings().Save(*this, *splitter_, *inventory_->Grid().horizontalHeader());
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace vantrel::app
