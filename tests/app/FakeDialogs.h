#pragma once
// Dialogs for window tests: every box is recorded and answered at once.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "TDialogs.h"

namespace vantrel::app::test {

class FakeDialogs : public TDialogs {
  public:
    void ShowInformation(const std::string& text) override { informations.push_back(text); }
    TModalResult ShowWarning(const std::string& text) override {
        warnings.push_back(text);
        return warningAnswer;
    }
    TModalResult ShowSendError(const std::string& text) override {
        sendErrors.push_back(text);
        return sendErrorAnswer;
    }
    TModalResult ShowConfirmation(const std::string& text) override {
        confirmations.push_back(text);
        return confirmationAnswer;
    }
    void ShowApplicationError(const std::string& text) override {
        applicationErrors.push_back(text);
    }
    std::optional<SaveDialogAnswer> AskSaveFile(const SaveDialogRequest& request) override {
        saveRequests.push_back(request);
        return saveAnswer;
    }

    std::vector<std::string> informations;
    std::vector<std::string> errors;  // as the error box shows them
    std::vector<std::string> warnings;
    std::vector<std::string> sendErrors;
    std::vector<std::string> applicationErrors;
    std::vector<SaveDialogRequest> saveRequests;
    TModalResult warningAnswer = TModalResult::Yes;
    TModalResult sendErrorAnswer = TModalResult::Ok;
    std::vector<std::string> confirmations;
    TModalResult confirmationAnswer = TModalResult::Ok;
    std::optional<SaveDialogAnswer> saveAnswer;

  protected:
    void ShowErrorBox(const std::string& text) override { errors.push_back(text); }
};

}  // namespace vantrel::app::test
