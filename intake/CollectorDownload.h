#pragma once
// Serves vantrel-collect.exe at "/vantrel-collect.exe" with this server's
// address written into the file's marker, so the downloaded program reports
// back here with no setup.

#include <mutex>
#include <string>

#include "Connection.h"
#include "HttpRequest.h"

namespace vantrel::intake {

class CollectorDownload {
  public:
    // `file` is read anew for every request; "" stands for
    // vantrel-collect.exe beside the running program, looked up at each
    // request.
    explicit CollectorDownload(std::string file = {});

    // host:port the window announces as the intake's address; the marker
    // gets it when the request's Host is unusable. Safe from any thread.
    void SetListeningAddress(std::string hostPort);

    // The address for the marker: the request's Host when it is a valid
    // host[:port] that fits the marker, else the listening address. Throws
    // IntakeError when neither is usable.
    std::string ServerFor(const HttpRequest& request) const;

    // Writes a 200 reply with the patched file as an attachment (the header
    // alone for HEAD). Throws IntakeError, with nothing sent, when the file
    // cannot be found or read, holds no marker, or no address is usable.
    void Serve(Connection& out, const HttpRequest& request) const;

  private:
    std::string file_;
    mutable std::mutex mutex_;
    std::string listeningAddress_;
};

}  // namespace vantrel::intake
