#include "VantrelApplication.h"

#include <cstdio>
#include <exception>

#include "Dialogs.h"
#include "GbkLiteral.h"

namespace vantrel::app {

namespace {
const std::string& kUnknownError = u8"未知错误"_gbk;
}

VantrelApplication::VantrelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool VantrelApplication::notify(QObject* receiver, QEvent* event) {
    std::string message;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        message = error.what();
    } catch (...) {
        message = kUnknownError;
    }
    // Shown outside the catch block: the box runs a nested message loop.
    if (dialogs_ != nullptr) {
        dialogs_->ShowError(message);
    } else {
        std::fprintf(stderr, "vantrel: %s\n", Dialogs::ErrorBoxText(message).c_str());
    }
    return false;
}

void VantrelApplication::RequestClose() {
    closeRequested_ = true;
    closeAllWindows();
    quit();
}

}  // namespace vantrel::app
