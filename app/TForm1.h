#pragma once
// The main window.

#include <QMainWindow>
#include <memory>

#include "THttpService.h"

namespace vantrel::app {

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Creating the window starts the HTTP service on `port`; a bind failure
    // throws before the window exists.
    explicit TForm1(std::uint16_t port, QWidget* parent = nullptr);
    ~TForm1() override;

    intake::THttpService& IdHTTPServer1() { return *IdHTTPServer1_; }

private:
    std::unique_ptr<intake::THttpService> IdHTTPServer1_;
};

}  // namespace vantrel::app
