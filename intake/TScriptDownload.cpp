#include "TScriptDownload.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "CollectorMarker.h"
#include "IntakeError.h"

namespace vantrel::intake {

namespace {

constexpr char kFileName[] = "vantrel-collect.sh";

std::string ReadWhole(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        throw IntakeError(std::string("File \"") + kFileName + "\" not found");
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        throw IntakeError(std::string("Could not read file \"") + kFileName + "\"");
    }
    return bytes;
}

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
    if (!collector::IsValidHostPort(hostPort)) {
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

TScriptDownload::TScriptDownload(std::string file) : file_(std::move(file)) {}

std::string TScriptDownload::DefaultScriptFile() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(kFileName) : (self.parent_path() / kFileName).string();
}

void TScriptDownload::Serve(TConnection& out, const HttpRequest& request,
                            const std::string& server) const {
    std::string script = ReadWhole(file_);
    PatchScriptMarker(script, server);
    // The script's own messages are UTF-8, as the terminals it runs in.
    std::string reply = ReplyHeaderBlock(200, "OK", "text/plain; charset=utf-8", script.size());
    if (request.Method != "HEAD") {
        reply += script;
    }
    out.WriteRaw(reply);
}

}  // namespace vantrel::intake
