#pragma once
// What start-up is given. The program uses the defaults; tests choose a free
// port, a temporary database, a fixed local address and files of their own.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "IntakeLimits.h"
#include "LocalAddress.h"
#include "ReportHandler.h"

namespace vantrel::app {

struct StartupOptions {
    // 0 binds any free port (tests).
    std::uint16_t port = intake::kDefaultPort;
    // Empty: db.mdb in the directory of the executable.
    std::string databasePath;
    std::function<std::string()> localAddress = scan::LocalAddress;
    // The machine's further LAN addresses, told in one more start-up line.
    std::function<std::vector<std::string>()> otherLocalAddresses = scan::OtherLocalAddresses;
    // Served at "/"; a bare name is looked for in the working directory.
    std::string pageFile = "ip.html";
    // Served when pageFile is not there. Empty: ip.html in the directory of
    // the executable.
    std::string programPageFile;
    std::string neighbourTable = "/proc/net/arp";
    // Written empty when the program ends.
    std::string historyFile = "iphist.dat";
    system::LocalClock clock = system::SystemLocalTime;
};

}  // namespace vantrel::app
