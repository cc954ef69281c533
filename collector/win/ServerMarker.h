#pragma once
// The server address the intake wrote into this copy of the program.

#include <string>

namespace vantrel::collector {

// The host[:port] held by the marker; "" in a copy that no server patched.
std::string PatchedServer();

}  // namespace vantrel::collector
