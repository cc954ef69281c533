#include "Program.h"

#include <cxxabi.h>
#include <sys/resource.h>

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "Dialogs.h"
#include "MainWindow.h"
#include "VantrelApplication.h"

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

int RunProgram(const MainWindowOptions& options, const std::function<void()>& started) {
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    std::unique_ptr<MainWindow> form;
    try {
        form = std::make_unique<MainWindow>(options);
    } catch (const std::exception& error) {
        options.dialogs->ShowApplicationError(ApplicationErrorText(error));
        return 1;
    }
    if (started) {
        started();
    }
    // A close requested while start-up still ran (a signal during an error
    // box) ends the program before its loop starts.
    if (const auto* application = qobject_cast<VantrelApplication*>(QCoreApplication::instance());
        application != nullptr && application->CloseRequested()) {
        return 0;
    }
    form->show();
    const int status = QApplication::exec();
    if (!form->StopIntake()) {
        // A connection thread outlived the stop and may still use the
        // store: end the process without destroying what it uses.
        form->AddressWatch().WriteHistory();
        std::_Exit(status);
    }
    form.reset();
    return status;
}

}  // namespace vantrel::app
