#pragma once
// The program's boxes and file dialogs drawn by Qt.

#include <QPointer>
#include <QWidget>

#include "Dialogs.h"

namespace vantrel::app {

class QtDialogs : public Dialogs {
  public:
    // Boxes owned by the main window (the warning box) are centred on it once
    // it is set; the others are centred on the screen.
    void SetMainWindow(QWidget* window) override { mainWindow_ = window; }

    void ShowInformation(const std::string& text) override;
    ModalResult ShowWarning(const std::string& text) override;
    ModalResult ShowSendError(const std::string& text) override;
    ModalResult ShowConfirmation(const std::string& text) override;
    ModalResult AskYesNo(const std::string& text) override;
    void ShowApplicationError(const std::string& text) override;
    std::optional<SaveDialogAnswer> AskSaveFile(const SaveDialogRequest& request) override;
    std::optional<std::string> AskOpenFile(const std::vector<std::string>& filters) override;

    // Qt name filters for a "label|pattern|..." filter text: "label (pattern)",
    // or the label alone when it already ends in those patterns.
    static QStringList NameFilters(const std::string& filter);

  protected:
    void ShowErrorBox(const std::string& text) override;

  private:
    QPointer<QWidget> mainWindow_;
};

}  // namespace vantrel::app
