#pragma once
// Serves vantrel-collect.sh, the collector for Linux PCs, at
// "/vantrel-collect.sh" as plain text, with this server's address written
// into the script's marker line, so that the pasted line
// `curl -fsS http://HOST:8899/vantrel-collect.sh | sh` reports back here.

#include <string>
#include <string_view>

#include "Connection.h"
#include "HttpRequest.h"

namespace vantrel::intake {

// The marker: a line of its own in the script, which the address is
// written into between the quotes. The address is a valid host[:port], so
// it can never carry a quote or other shell syntax.
inline constexpr std::string_view kScriptMarkerLine = "vantrel_server=''";

// Writes `hostPort` into the one marker line of `script`. Throws
// IntakeError when the script holds no marker line or more than one, or
// when `hostPort` is not a valid host[:port].
void PatchScriptMarker(std::string& script, std::string_view hostPort);

class ScriptDownload {
  public:
    // `file` is read anew for every request; "" stands for
    // vantrel-collect.sh beside the running program, looked up at each
    // request.
    explicit ScriptDownload(std::string file = {});

    // Writes a 200 reply with the script, its marker holding `server` (the
    // header alone for HEAD). Throws IntakeError, with nothing sent, when
    // the file is missing or its marker cannot be written.
    void Serve(Connection& out, const HttpRequest& request, const std::string& server) const;

  private:
    std::string file_;
};

}  // namespace vantrel::intake
