#pragma once
// What the program is built with: start-up's options and the window's. The
// program uses the defaults; tests choose a free port, a temporary database,
// a fixed local address and dialogs that answer by themselves.

#include <cstdint>
#include <string>

#include "NicMakers.h"
#include "StartupOptions.h"

namespace vantrel::app {

class Dialogs;

struct ProgramOptions : StartupOptions {
    // Must outlive the program.
    Dialogs* dialogs = nullptr;
    // Port the LAN scan probes: the NetBIOS name service; tests aim it at a
    // responder of their own.
    std::uint16_t nbnsPort = 137;
    // A missing db.mdb is created without asking (for a start without
    // anybody to answer the question).
    bool createDatabase = false;
    // Where the window's size, splitter and column widths are kept; empty:
    // the user's own settings of the program.
    std::string settingsFile;
    // Where the IEEE registries of network-card makers are; empty: none.
    std::string ouiDirectory = inventory::NicMakers::kDefaultDirectory;
};

}  // namespace vantrel::app
