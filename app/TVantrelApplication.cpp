#include "TVantrelApplication.h"

#include <cstdio>
#include <exception>

#include "TDialogs.h"

namespace vantrel::app {

namespace {
constexpr char kUnknownError[] = "\xce\xb4\xd6\xaa\xb4\xed\xce\xf3";  // 未知错误
}

TVantrelApplication::TVantrelApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TVantrelApplication::notify(QObject* receiver, QEvent* event) {
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
        std::fprintf(stderr, "vantrel: %s\n", TDialogs::ErrorBoxText(message).c_str());
    }
    return false;
}

void TVantrelApplication::RequestClose() {
    closeRequested_ = true;
    closeAllWindows();
    quit();
}

}  // namespace vantrel::app
