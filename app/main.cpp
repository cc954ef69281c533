// Program entry: the application, its dialogs and the main window.
#include <malloc.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "DesktopEntry.h"
#include "ExecutablePath.h"
#include "ImportCommand.h"
#include "InventoryDatabase.h"
#include "Program.h"
#include "QtDialogs.h"
#include "QtTranslation.h"
#include "VantrelApplication.h"
#include "VantrelVersion.h"

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

constexpr char kUsage[] =
    "Usage: vantrel [--create-database]\n"
    "       vantrel --import FILE [--add-only] [--sheet NAME]\n"
    "       vantrel --install-desktop-entry | --remove-desktop-entry\n"
    "       vantrel --version | --help\n"
    "\n"
    "  --create-database        create an empty db.mdb beside the program when there is\n"
    "                           none, without asking\n"
    "  --import FILE            merge a list of PCs (.xlsx .xls .csv .txt .htm) into the\n"
    "                           db.mdb beside the program without a window; exit status 0\n"
    "                           after an import, 1 when it was refused, 2 for a wrong\n"
    "                           command line\n"
    "  --add-only               only add new PCs, leave the ones db.mdb holds as they are\n"
    "  --sheet NAME             the workbook's sheet to import (default: the first)\n"
    "  --install-desktop-entry  add Vantrel to this user's desktop menu\n"
    "  --remove-desktop-entry   take it out of the menu again\n";

// --install-desktop-entry and --remove-desktop-entry: what they did goes to
// stdout, a failure to stderr. Returns the exit status.
int ManageDesktopEntry(bool install) {
    try {
        const auto path = vantrel::app::DesktopEntryPath();
        if (!path) {
            std::fprintf(stderr, "vantrel: neither XDG_DATA_HOME nor HOME names a folder\n");
            return 1;
        }
        if (install) {
            vantrel::app::WriteDesktopEntry(
                *path,
                vantrel::app::DesktopEntryText(vantrel::system::BesideExecutable("vantrel"),
                                               vantrel::system::BesideExecutable("vantrel.png")));
            std::printf("已安装桌面菜单项：%s\n", path->c_str());
        } else if (vantrel::app::RemoveDesktopEntry(*path)) {
            std::printf("已删除桌面菜单项：%s\n", path->c_str());
        } else {
            std::printf("没有桌面菜单项可删除：%s\n", path->c_str());
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vantrel: %s\n", error.what());
        return 1;
    }
}

// --import and its options: no window, no Qt. Returns the exit status.
int ImportWithoutWindow(const std::vector<std::string>& arguments) {
    // One malloc arena for the reading thread and this one: each further
    // arena reserves 64 MB of address space, and under a limit on it (a
    // script's ulimit -v) a thread that cannot have one makes glibc retry
    // on every allocation, which slows an import some fortyfold.
    mallopt(M_ARENA_MAX, 1);
    std::string error;
    const auto line = vantrel::app::ParseImportCommand(arguments, error);
    if (!line) {
        std::fprintf(stderr, "vantrel: %s\n\n%s", error.c_str(), kUsage);
        return vantrel::app::kImportUsage;
    }
    std::string database;
    try {
        database = vantrel::store::InventoryDatabase::DefaultDatabasePath();
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "vantrel: %s\n", failure.what());
        return vantrel::app::kImportRefused;
    }
    return vantrel::app::RunImportCommand(*line, database, stdout, stderr);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (const std::vector<std::string> arguments(argv + 1, argv + argc);
        vantrel::app::AsksForImport(arguments)) {
        return ImportWithoutWindow(arguments);
    }
    // The program's own options; the rest is left to Qt (-platform ...).
    bool createDatabase = false;
    std::vector<char*> qtArguments{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--version") {
            std::printf("vantrel %s\n", vantrel::app::kVantrelVersion);
            return 0;
        }
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument == "--install-desktop-entry" || argument == "--remove-desktop-entry") {
            return ManageDesktopEntry(argument == "--install-desktop-entry");
        }
        if (argument == "--create-database") {
            createDatabase = true;
        } else {
            qtArguments.push_back(argv[i]);
        }
    }
    qtArguments.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArguments.size()) - 1;

    vantrel::app::RaiseDescriptorLimit();
    const bool offscreen = ChooseOffscreenWithoutDisplay();
    vantrel::app::VantrelApplication application(qtArgc, qtArguments.data());
    // What Qt did not take is no option of ours either.
    if (qtArgc > 1) {
        std::fprintf(stderr, "vantrel: unknown option %s\n\n%s", qtArguments[1], kUsage);
        return 2;
    }
    vantrel::app::InstallQtTranslation(application);
    vantrel::app::QtDialogs dialogs;
    application.SetDialogs(&dialogs);
    CloseOnTerminate(application);

    vantrel::app::ProgramOptions options;
    options.dialogs = &dialogs;
    options.createDatabase = createDatabase;
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
