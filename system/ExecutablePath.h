#pragma once
// Where the program's own files lie: beside the running executable. The
// store keeps db.mdb there and the intake serves the collector from there.

#include <string>
#include <string_view>

namespace vantrel::system {

// "<directory of the running executable>/<fileName>", from /proc/self/exe.
// Throws SystemError when that path cannot be read; no other place (such as
// the working directory) is ever tried instead, so that a file is never
// taken from, or written to, somewhere the administrator did not put it.
std::string BesideExecutable(std::string_view fileName);

}  // namespace vantrel::system
