// Program entry: the application, its dialogs and the main window.
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "Program.h"
#include "QtDialogs.h"
#include "QtTranslation.h"
#include "VantrelApplication.h"

namespace {

// Without a display the program still serves reports: it runs on Qt's
// offscreen platform. True when it chose that platform.
bool ChooseOffscreenWithoutDisplay() {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool noDisplay =
        (display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0');
    if (noDisplay && (platform == nullptr || *platform == '\0')) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        return true;
    }
    return false;
}

// SIGTERM and SIGINT close the window as the user would, so that the exit
// path (service stopped, iphist.dat written) runs also for a program
// without a display. The handler only writes a byte; the main loop reads it.
int signalPipe[2] = {-1, -1};

void OnTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void CloseOnTerminate(vantrel::app::VantrelApplication& application) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [&application] {
        char byte = 0;
        [[maybe_unused]] ssize_t read = ::read(signalPipe[0], &byte, 1);
        application.RequestClose();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

}  // namespace

int main(int argc, char* argv[]) {
    vantrel::app::RaiseDescriptorLimit();
    const bool offscreen = ChooseOffscreenWithoutDisplay();
    vantrel::app::VantrelApplication application(argc, argv);
    vantrel::app::InstallQtTranslation(application);
    vantrel::app::QtDialogs dialogs;
    application.SetDialogs(&dialogs);
    CloseOnTerminate(application);

    vantrel::app::MainWindowOptions options;
    options.dialogs = &dialogs;
    // Said once the service listens, so that a port in use never reads as
    // listening.
    return vantrel::app::RunProgram(options, [offscreen, port = options.port] {
        if (offscreen) {
            std::printf(
                "vantrel: no display found, running on Qt's offscreen platform; "
                "intake listening on http://0.0.0.0:%u/\n",
                static_cast<unsigned>(port));
            std::fflush(stdout);
        }
    });
}
