#pragma once
// Reads the PC's facts with Win32 calls only; nothing needs administrator
// rights, and a fact Windows does not tell stays "".

#include <string>

#include "CollectorReport.h"

namespace vantrel::collector {

// Everything but the network facts.
HardwareFacts DetectHardware();

// Fills `facts.ip` and `facts.mac` for the route toward the server named by
// `hostPort` (resolved as IPv4), without sending anything; leaves them as
// they are when the server cannot be resolved or reached.
void DetectRouteToServer(const std::string& hostPort, HardwareFacts& facts);

// The IPv4 address this PC sends from toward `serverIpv4` (dotted), found by
// connecting a UDP socket, which sends nothing; "" when there is no route.
std::string LocalAddressToward(const std::string& serverIpv4);

// The MAC of the adapter that holds the IPv4 address `localIpv4`; when none
// holds it, of the adapter GetBestInterface picks toward `serverIpv4`.
std::string MacOfAdapter(const std::string& localIpv4, const std::string& serverIpv4);

}  // namespace vantrel::collector
