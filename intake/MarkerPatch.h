#pragma once
// The intake's side of the collector's server marker: writing the address
// into a copy of the program as it is served.

#include <string>
#include <string_view>

namespace vantrel::intake {

// Writes `hostPort` into the one marker of `file`, zero-filling the rest of
// the field. Throws IntakeError when the file holds no marker or more than
// one, or when `hostPort` is not valid.
void PatchServerMarker(std::string& file, std::string_view hostPort);

}  // namespace vantrel::intake
