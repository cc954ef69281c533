#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "TForm1.h"

namespace {
constexpr std::uint16_t kDefaultPort = 8899;

// Without a display the program still serves reports: it runs on Qt's
// offscreen platform and says so.
void ChooseOffscreenWithoutDisplay() {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    bool noDisplay = (display == nullptr || *display == '\0') &&
                     (wayland == nullptr || *wayland == '\0');
    if (noDisplay && (platform == nullptr || *platform == '\0')) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        std::printf("vantrel: no display found, running on Qt's offscreen platform; "
                    "intake listening on http://0.0.0.0:%u/\n",
                    static_cast<unsigned>(kDefaultPort));
        std::fflush(stdout);
    }
}
}  // namespace

int main(int argc, char* argv[]) {
    ChooseOffscreenWithoutDisplay();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    std::unique_ptr<vantrel::app::TForm1> form;
    try {
        form = std::make_unique<vantrel::app::TForm1>(kDefaultPort);
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("Application Error"),
                              QString::fromLocal8Bit(error.what()));
        return 1;
    }
    form->show();
    return QApplication::exec();
}
