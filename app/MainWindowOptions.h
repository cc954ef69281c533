#pragma once
// What the main window is built with. The program uses the defaults; tests
// choose a free port, a temporary database, a fixed local address and
// dialogs that answer by themselves.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "IntakeLimits.h"
#include "LocalAddress.h"
#include "ReportHandler.h"

namespace vantrel::app {

class Dialogs;

struct MainWindowOptions {
    // 0 binds any free port (tests).
    std::uint16_t port = intake::kDefaultPort;
    // Empty: db.mdb in the directory of the executable.
    std::string databasePath;
    std::function<std::string()> localAddress = scan::LocalAddress;
    // The machine's further LAN addresses, told in one more start-up line.
    std::function<std::vector<std::string>()> otherLocalAddresses = scan::OtherLocalAddresses;
    // Must outlive the window.
    Dialogs* dialogs = nullptr;
    std::string pageFile = "ip.html";
    std::string neighbourTable = "/proc/net/arp";
    // Where the window's size, splitter and column widths are kept; empty:
    // the user's own settings of the program.
    std::string settingsFile;
    // Written empty when the window goes.
    std::string historyFile = "iphist.dat";
    intake::LocalClock clock = intake::SystemLocalTime;
    // Port the LAN scan probes: the NetBIOS name service; tests aim it at a
    // responder of their own.
    std::uint16_t nbnsPort = 137;
};

}  // namespace vantrel::app
