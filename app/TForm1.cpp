#include "TForm1.h"

namespace vantrel::app {

TForm1::TForm1(std::uint16_t port, QWidget* parent)
    : QMainWindow(parent), IdHTTPServer1_(std::make_unique<intake::THttpService>(port)) {
    IdHTTPServer1_->StartService();
    setWindowTitle(QStringLiteral("Vantrel软件"));
    resize(1054, 577);
}

TForm1::~TForm1() {
    try {
        IdHTTPServer1_->StopService();
    } catch (...) {
        // The program is ending; connections still alive die with it.
    }
}

}  // namespace vantrel::app
