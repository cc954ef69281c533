#pragma once
// The request callback of the intake: serves the page file at "/" and stores
// a report sent to "/post" as a row of table ip, keyed by MAC, and hands out
// the collectors at "/vantrel-collect.exe" (Windows) and
// "/vantrel-collect.sh" (Linux).

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Connection.h"
#include "HttpRequest.h"
#include "LocalClock.h"
#include "ReportStore.h"

namespace vantrel::store {
class InventoryDatabase;
class ReportStore;
}  // namespace vantrel::store

namespace vantrel::intake {

// What the handler needs from the window. Both calls hand their work to the
// main thread (queued, never blocking) and return at once.
class ReportSink {
  public:
    virtual ~ReportSink() = default;
    // Appends one whole line at the end of the event log.
    virtual void PostLogLine(std::string line) = 0;
    // Marks every online-list row whose address is `address` as reported
    // by `user`.
    virtual void PostMark(std::string address, std::string user) = 0;
    // The rows of ip a stored report wrote, with their new values, so that
    // the inventory grid can follow. Ignored unless a window wants them.
    virtual void PostRowsWritten(std::vector<store::WrittenRow> /*rows*/) {}
};

class ReportHandler {
  public:
    // `pageFile` is opened by this name for every request to "/"; a bare
    // name is looked for in the working directory at that moment. When it is
    // not there, `otherPageFile` (the copy beside the program) is served
    // instead, unless empty.
    // `neighbourTable` is the kernel's ARP table file (/proc/net/arp).
    ReportHandler(store::InventoryDatabase& connection, ReportSink& sink,
                  system::LocalClock clock = system::SystemLocalTime,
                  std::string neighbourTable = "/proc/net/arp", std::string pageFile = "ip.html",
                  std::string otherPageFile = "");
    ~ReportHandler();
    ReportHandler(const ReportHandler&) = delete;
    ReportHandler& operator=(const ReportHandler&) = delete;

    // host:port where the intake listens, as the window announces it: the
    // downloaded collectors report there when the browser's Host is
    // unusable.
    void SetListeningAddress(std::string hostPort);

    // The writer the handler stores reports with, for its statistics.
    store::ReportStore& Reports();

    // Whether a page file is there now, as a request to "/" would find it.
    bool PageFileFound() const;

    // OnCommandGet of the HTTP service. Errors are not caught: the service
    // turns them into the 500 reply.
    void RouteRequest(Connection& connection, const HttpRequest& request);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::intake
