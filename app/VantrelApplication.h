#pragma once
// The application object: an error that escapes an event handler is shown in
// the error box and the message loop goes on.

#include <QApplication>

namespace vantrel::app {

class Dialogs;

class VantrelApplication : public QApplication {
    Q_OBJECT
  public:
    VantrelApplication(int& argc, char** argv);

    // Where escaped errors are shown; must outlive its use. Without dialogs
    // they go to stderr.
    void SetDialogs(Dialogs* dialogs) { dialogs_ = dialogs; }

    bool notify(QObject* receiver, QEvent* event) override;

    // Closes every window and ends the message loop, also when the request
    // comes before the loop runs (during a start-up box).
    void RequestClose();
    bool CloseRequested() const { return closeRequested_; }

  private:
    Dialogs* dialogs_ = nullptr;
    bool closeRequested_ = false;
};

}  // namespace vantrel::app
