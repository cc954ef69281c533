#include "Program.h"

#include <cxxabi.h>
#include <sys/resource.h>

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "Dialogs.h"
#include "EventLogView.h"
#include "GbkLiteral.h"
#include "HttpService.h"
#include "IntakeError.h"
#include "InventoryHistory.h"
#include "InventoryTab.h"
#include "MainWindow.h"
#include "OverviewTab.h"
#include "PcWindows.h"
#include "ProgramStartup.h"
#include "ReportFollower.h"
#include "ScanTab.h"
#include "VantrelApplication.h"
#include "WindowSink.h"

namespace vantrel::app {

namespace {

// "vantrel::intake::IntakeError" -> "IntakeError".
std::string TypeName(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
    std::string name = status == 0 && demangled ? demangled.get() : type.name();
    const auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

}  // namespace

unsigned long long RaiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return 0;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            limit = raised;
        }
    }
    return static_cast<unsigned long long>(limit.rlim_cur);
}

std::string ApplicationErrorText(const std::exception& error) {
    return "Exception " + TypeName(typeid(error)) + " in module vantrel.\n" +
           Dialogs::ErrorBoxText(error.what());
}

Program::Program(ProgramOptions options)
    : options_(std::move(options)),
      startup_(std::make_unique<ProgramStartup>(options_)),
      window_(std::make_unique<MainWindow>(startup_->Database(), options_)) {
    MainWindow* window = window_.get();
    sink_ = std::make_unique<WindowSink>(
        window,
        [window](const std::vector<std::string>& lines) {
            window->EventLog().AppendLogLines(lines);
        },
        [window](const std::vector<WindowSink::Mark>& marks) {
            window->Scan().ApplyMarks(marks);
            window->Overview().ReportsArrived();
        });
    sink_->SetApplyRows([window](WindowSink::RowsWritten rows) {
        window->Inventory().History().Windows().Take(rows.updated);
        window->Inventory().Follower().Take(std::move(rows));
    });
    startup_->StartIntake(*sink_);
}

Program::~Program() {
    if (!Stop()) {
        // A connection thread may still post to the sink: it stays, and
        // start-up leaves the thread what else it uses.
        [[maybe_unused]] auto* sink = sink_.release();
    }
    window_.reset();
    startup_.reset();
}

void Program::Start() {
    const bool createUnasked = options_.createDatabase;
    Dialogs& dialogs = *options_.dialogs;
    const StartupReport report =
        startup_->Run([createUnasked, &dialogs](const std::string& question) {
            return createUnasked || dialogs.AskYesNo(question) == ModalResult::Yes;
        });
    window_->ShowStartup(report);
}

bool Program::Stop() {
    // Connection threads may still be finishing a report: stop posting to
    // the window first, then wait for them.
    sink_->Detach();
    return startup_->StopIntake();
}

intake::HttpService& Program::Intake() const {
    return startup_->Intake();
}

intake::ReportSink& Program::Sink() const {
    return *sink_;
}

std::string AlreadyRunningText(unsigned port) {
    return u8"Vantrel 已在运行（端口 "_gbk + std::to_string(port) + u8" 已被占用）"_gbk;
}

int RunProgram(const ProgramOptions& options, const std::function<void()>& started) {
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    // Every window and box of the program shows its icon (compiled into the
    // program; none in tests).
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vantrel.png")));
    std::unique_ptr<Program> program;
    try {
        program = std::make_unique<Program>(options);
    } catch (const intake::PortInUseError& error) {
        std::fprintf(stderr, "vantrel: %s\n", error.what());
        options.dialogs->ShowInformation(AlreadyRunningText(options.port));
        return 1;
    } catch (const std::exception& error) {
        options.dialogs->ShowApplicationError(ApplicationErrorText(error));
        return 1;
    }
    if (started) {
        started();
    }
    program->Start();
    // A close requested while start-up still ran (a signal during an error
    // box) ends the program before its loop starts.
    if (const auto* application = qobject_cast<VantrelApplication*>(QCoreApplication::instance());
        application != nullptr && application->CloseRequested()) {
        return 0;
    }
    program->Window().show();
    const int status = QApplication::exec();
    if (!program->Stop()) {
        // A connection thread outlived the stop and may still use the
        // store: end the process without destroying what it uses.
        program->Startup().AddressLookup().WriteHistory();
        std::_Exit(status);
    }
    program.reset();
    return status;
}

}  // namespace vantrel::app
