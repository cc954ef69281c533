#pragma once
// Sends one report to the intake over a plain TCP connection, with a time
// limit on every step.

#include <string>

#include "CollectorReport.h"

namespace vantrel::collector {

enum class PostOutcome { Thanked, Unreachable, ServerError };

struct PostResult {
    PostOutcome outcome = PostOutcome::Unreachable;
    std::string message;  // GBK, in plain words for the person at the PC
};

// Connects to `hostPort`, fills `facts.ip` and `facts.mac` from the
// connection's own address (what the server's neighbour table sees), posts
// the report and reads the answer. Needs WSAStartup done.
PostResult PostReport(const std::string& hostPort, HardwareFacts& facts,
                      const PersonEntries& person);

}  // namespace vantrel::collector
