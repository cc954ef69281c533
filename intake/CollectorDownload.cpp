#include "CollectorDownload.h"

#include <utility>

#include "CollectorMarker.h"
#include "IntakeError.h"
#include "MarkerPatch.h"
#include "ProgramFile.h"

namespace vantrel::intake {

namespace {

constexpr char kFileName[] = "vantrel-collect.exe";

}  // namespace

CollectorDownload::CollectorDownload(std::string file) : file_(std::move(file)) {}

void CollectorDownload::SetListeningAddress(std::string hostPort) {
    std::lock_guard<std::mutex> lock(mutex_);
    listeningAddress_ = std::move(hostPort);
}

std::string CollectorDownload::ServerFor(const HttpRequest& request) const {
    if (protocol::IsValidHostPort(request.host)) {
        return request.host;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!protocol::IsValidHostPort(listeningAddress_)) {
        throw IntakeError("The server's own address is not known yet");
    }
    return listeningAddress_;
}

void CollectorDownload::Serve(Connection& out, const HttpRequest& request) const {
    const std::string server = ServerFor(request);
    std::string file = ReadProgramFile(file_, kFileName);
    PatchServerMarker(file, server);
    std::string reply =
        "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: application/octet-stream\r\n"
        "Content-Disposition: attachment; filename=\"";
    reply += kFileName;
    reply += "\"\r\nContent-Length: ";
    reply += std::to_string(file.size());
    reply += "\r\n\r\n";
    if (request.method != "HEAD") {
        reply += file;
    }
    out.WriteRaw(reply);
}

}  // namespace vantrel::intake
