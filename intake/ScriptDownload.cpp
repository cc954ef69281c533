#include "ScriptDownload.h"

#include <utility>

#include "CollectorMarker.h"
#include "IntakeError.h"
#include "ProgramFile.h"

namespace vantrel::intake {

namespace {

constexpr char kFileName[] = "vantrel-collect.sh";

// Where the marker line starts, npos when there is none; a line is the
// marker only when it is the whole line.
std::size_t FindMarkerLine(const std::string& script, std::size_t from) {
    for (std::size_t at = script.find(kScriptMarkerLine, from); at != std::string::npos;
         at = script.find(kScriptMarkerLine, at + 1)) {
        const std::size_t end = at + kScriptMarkerLine.size();
        if ((at == 0 || script[at - 1] == '\n') && (end == script.size() || script[end] == '\n')) {
            return at;
        }
    }
    return std::string::npos;
}

}  // namespace

void PatchScriptMarker(std::string& script, std::string_view hostPort) {
    if (!protocol::IsValidHostPort(hostPort)) {
        throw IntakeError("Not a valid server address: " + std::string(hostPort));
    }
    const std::size_t at = FindMarkerLine(script, 0);
    if (at == std::string::npos) {
        throw IntakeError("The collector script holds no server marker");
    }
    if (FindMarkerLine(script, at + 1) != std::string::npos) {
        throw IntakeError("The collector script holds more than one server marker");
    }
    // Between the two quotes that end the line.
    script.insert(at + kScriptMarkerLine.size() - 1, hostPort);
}

ScriptDownload::ScriptDownload(std::string file) : file_(std::move(file)) {}

void ScriptDownload::Serve(Connection& out, const HttpRequest& request,
                           const std::string& server) const {
    std::string script = ReadProgramFile(file_, kFileName);
    PatchScriptMarker(script, server);
    // The script's own messages are UTF-8, as the terminals it runs in.
    std::string reply = ReplyHeaderBlock(200, "OK", "text/plain; charset=utf-8", script.size());
    if (request.method != "HEAD") {
        reply += script;
    }
    out.WriteRaw(reply);
}

}  // namespace vantrel::intake
