#pragma once
// The real program for a benchmark of its window: dialogs that answer at
// once without showing anything, and options that keep every file it
// writes in the benchmark's own folder and its service on a free port.

#include <cstdio>
#include <optional>
#include <string>

#include "Dialogs.h"
#include "Program.h"

namespace vantrel::bench {

class QuietDialogs : public app::Dialogs {
  public:
    void ShowInformation(const std::string&) override {}
    app::ModalResult ShowWarning(const std::string&) override { return app::ModalResult::No; }
    app::ModalResult ShowSendError(const std::string&) override { return app::ModalResult::Cancel; }
    app::ModalResult ShowConfirmation(const std::string&) override {
        return app::ModalResult::Cancel;
    }
    app::ModalResult AskYesNo(const std::string&) override { return app::ModalResult::No; }
    void ShowApplicationError(const std::string&) override {}
    std::optional<app::SaveDialogAnswer> AskSaveFile(const app::SaveDialogRequest&) override {
        return {};
    }

  protected:
    void ShowErrorBox(const std::string& text) override {
        std::fprintf(stderr, "error: %s\n", text.c_str());
    }
};

// The program on db.mdb of `dir`, its other files there too.
inline app::ProgramOptions QuietProgramOptions(const std::string& dir, app::Dialogs& dialogs) {
    app::ProgramOptions options;
    options.port = 0;
    options.databasePath = dir + "/db.mdb";
    options.localAddress = [] { return std::string("127.0.0.1"); };
    options.otherLocalAddresses = {};
    options.dialogs = &dialogs;
    options.historyFile = dir + "/iphist.dat";
    options.pageFile = dir + "/ip.html";
    options.neighbourTable = dir + "/arp";
    options.settingsFile = dir + "/vantrel.ini";
    return options;
}

}  // namespace vantrel::bench
