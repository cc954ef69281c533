#pragma once
// Dialogs for window tests: every box is recorded and answered at once.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "Dialogs.h"

namespace vantrel::app::test {

class FakeDialogs : public Dialogs {
  public:
    void ShowInformation(const std::string& text) override { informations.push_back(text); }
    ModalResult ShowWarning(const std::string& text) override {
        warnings.push_back(text);
        return warningAnswer;
    }
    ModalResult ShowSendError(const std::string& text) override {
        sendErrors.push_back(text);
        return sendErrorAnswer;
    }
    ModalResult ShowConfirmation(const std::string& text) override {
        confirmations.push_back(text);
        return confirmationAnswer;
    }
    ModalResult AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return questionAnswer;
    }
    void ShowApplicationError(const std::string& text) override {
        applicationErrors.push_back(text);
    }
    std::optional<SaveDialogAnswer> AskSaveFile(const SaveDialogRequest& request) override {
        saveRequests.push_back(request);
        return saveAnswer;
    }

    std::optional<std::string> AskOpenFile(const std::vector<std::string>& filters) override {
        openRequests.push_back(filters);
        return openAnswer;
    }

    std::vector<std::string> informations;
    std::vector<std::string> errors;  // as the error box shows them
    std::vector<std::string> warnings;
    std::vector<std::string> sendErrors;
    std::vector<std::string> applicationErrors;
    std::vector<SaveDialogRequest> saveRequests;
    ModalResult warningAnswer = ModalResult::Yes;
    ModalResult sendErrorAnswer = ModalResult::Ok;
    std::vector<std::string> confirmations;
    ModalResult confirmationAnswer = ModalResult::Ok;
    std::optional<SaveDialogAnswer> saveAnswer;
    std::vector<std::string> questions;
    ModalResult questionAnswer = ModalResult::No;
    std::vector<std::vector<std::string>> openRequests;
    std::optional<std::string> openAnswer;

  protected:
    void ShowErrorBox(const std::string& text) override { errors.push_back(text); }
};

}  // namespace vantrel::app::test
