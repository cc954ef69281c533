#include "TCollectorDownload.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "CollectorMarker.h"
#include "ExecutablePath.h"
#include "IntakeError.h"
#include "MarkerPatch.h"
#include "StoreError.h"

namespace vantrel::intake {

namespace {

constexpr char kFileName[] = "vantrel-collect.exe";

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

}  // namespace

TCollectorDownload::TCollectorDownload(std::string file) : file_(std::move(file)) {}

std::string TCollectorDownload::DefaultCollectorFile() {
    try {
        return store::BesideExecutable(kFileName);
    } catch (const store::StoreError& error) {
        throw IntakeError(error.what());
    }
}

void TCollectorDownload::SetListeningAddress(std::string hostPort) {
    std::lock_guard<std::mutex> lock(mutex_);
    listeningAddress_ = std::move(hostPort);
}

std::string TCollectorDownload::ServerFor(const HttpRequest& request) const {
    if (protocol::IsValidHostPort(request.Host)) {
        return request.Host;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (!protocol::IsValidHostPort(listeningAddress_)) {
        throw IntakeError("The server's own address is not known yet");
    }
    return listeningAddress_;
}

void TCollectorDownload::Serve(TConnection& out, const HttpRequest& request) const {
    const std::string server = ServerFor(request);
    std::string file = ReadWhole(file_.empty() ? DefaultCollectorFile() : file_);
    PatchServerMarker(file, server);
    std::string reply =
        "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: application/octet-stream\r\n"
        "Content-Disposition: attachment; filename=\"";
    reply += kFileName;
    reply += "\"\r\nContent-Length: ";
    reply += std::to_string(file.size());
    reply += "\r\n\r\n";
    if (request.Method != "HEAD") {
        reply += file;
    }
    out.WriteRaw(reply);
}

}  // namespace vantrel::intake
