#pragma once
// The application object: an error that escapes an event handler is shown in
// the error box and the message loop goes on.

#include <QApplication>

namespace vantrel::app {

class TDialogs;

class TVantrelApplication : public QApplication {
    Q_OBJECT
public:
    TVantrelApplication(int& argc, char** argv);

    // Where escaped errors are shown; must outlive its use. Without dialogs
    // they go to stderr.
    void SetDialogs(TDialogs* dialogs) { dialogs_ = dialogs; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    TDialogs* dialogs_ = nullptr;
};

}  // namespace vantrel::app
