#pragma once
// The modal boxes and file dialogs of the program behind one interface, so
// that window tests answer them instead of a user. Texts are GBK bytes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace vantrel::app {

// What a file-save dialog is opened with.
struct SaveDialogRequest {
    // Entries as "label|pattern|label|pattern...", e.g. "Text files (*.txt)|*.TXT".
    std::string filter;
    // 1-based entry selected when the dialog opens.
    int filterIndex = 1;
    // In the file system's encoding, like SaveDialogAnswer::path.
    std::string fileName;
    // Appended (after a ".") by the dialog to a name typed without extension;
    // empty for none.
    std::string defaultExtension;
};

// What the user chose in a confirmed file-save dialog.
struct SaveDialogAnswer {
    // In the file system's encoding, exactly as chosen.
    std::string path;
    // 1-based entry of the filter in force when the user confirmed.
    int filterIndex = 1;
};

// The button that closed a modal box, with the values the platform's boxes
// return for them.
enum class ModalResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

class Dialogs {
  public:
    virtual ~Dialogs() = default;

    // The window that owns the warning box; the main window sets itself.
    virtual void SetMainWindow(QWidget* /*window*/) {}

    // Information box: caption "Vantrel", one OK button, no icon.
    virtual void ShowInformation(const std::string& text) = 0;
    // Error box for an error's message: caption "Vantrel", error icon, OK.
    // The text shown is ErrorBoxText(message).
    void ShowError(std::string_view message) { ShowErrorBox(ErrorBoxText(message)); }
    // Warning box owned by the main window: caption "警告！", warning icon,
    // Yes and No. Returns Yes or No.
    virtual ModalResult ShowWarning(const std::string& text) = 0;
    // The send-error box of the LAN scan, owned by the main window: caption
    // "SOCKET ERROR", no icon, OK and Cancel. Returns Ok or Cancel.
    virtual ModalResult ShowSendError(const std::string& text) = 0;
    // The inventory grid's own question: caption "确认", question icon, OK
    // and Cancel. Returns Ok or Cancel.
    virtual ModalResult ShowConfirmation(const std::string& text) = 0;
    // A question of the program's own: caption "Vantrel", question icon,
    // Yes and No. Returns Yes or No.
    virtual ModalResult AskYesNo(const std::string& text) = 0;
    // The report of an error that ends the program before its window exists:
    // caption "Application Error".
    virtual void ShowApplicationError(const std::string& text) = 0;
    // A modal file-save dialog; nullopt when cancelled.
    virtual std::optional<SaveDialogAnswer> AskSaveFile(const SaveDialogRequest& request) = 0;
    // A modal file-open dialog with Qt name filters ("label (*.a *.b)"
    // entries, UTF-8); the chosen path in the file system's encoding, nullopt when
    // cancelled.
    virtual std::optional<std::string> AskOpenFile(const std::vector<std::string>& filters) {
        (void)filters;
        return std::nullopt;
    }

    // An error's message as the error box shows it: "." appended unless the
    // last byte is "." or sorts before it ("!", ")", ",", ...). An empty
    // message stays empty.
    static std::string ErrorBoxText(std::string_view message);

  protected:
    virtual void ShowErrorBox(const std::string& text) = 0;
};

}  // namespace vantrel::app
