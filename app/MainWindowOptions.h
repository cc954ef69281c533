#pragma once
// What the main window is built with. The program uses the defaults; tests
// choose a free port, a temporary database, a fixed local address and
// dialogs that answer by themselves.

#include <cstdint>
#include <functional>
#include <string>

#include "IntakeLimits.h"
#include "LocalAddress.h"
#include "NicMakers.h"
#include "ReportHandler.h"

namespace vantrel::app {

class Dialogs;

struct MainWindowOptions {
    // 0 binds any free port (tests).
    std::uint16_t port = intake::kDefaultPort;
    // Empty: db.mdb in the directory of the executable.
    std::string databasePath;
    std::function<std::string()> localAddress = scan::LocalAddress;
    // Must outlive the window.
    Dialogs* dialogs = nullptr;
    std::string pageFile = "ip.html";
    std::string neighbourTable = "/proc/net/arp";
    // Written empty when the window goes.
    std::string historyFile = "iphist.dat";
    intake::LocalClock clock = intake::SystemLocalTime;
    // Port the LAN scan probes: the NetBIOS name service; tests aim it at a
    // responder of their own.
    std::uint16_t nbnsPort = 137;
    // Where the IEEE registries of network-card makers are; empty: none.
    std::string ouiDirectory = store::NicMakers::kDefaultDirectory;
};

}  // namespace vantrel::app
