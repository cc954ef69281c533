#include "ReportHandler.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "CollectorDownload.h"
#include "IntakeError.h"
#include "InventoryDatabase.h"
#include "NeighbourTable.h"
#include "ReportReply.h"
#include "ReportStore.h"
#include "ReportText.h"
#include "ScriptDownload.h"

namespace vantrel::intake {

std::tm SystemLocalTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

namespace {

bool IsHead(const HttpRequest& request) {
    return request.Method == "HEAD";
}

}  // namespace

struct ReportHandler::Impl {
    ReportSink* sink = nullptr;
    LocalClock clock;
    NeighbourTable neighbours;
    std::string pageFile;
    // Writes reports in groups; one for all connection threads.
    store::ReportStore reports;
    CollectorDownload collector;
    ScriptDownload script;

    Impl(store::InventoryDatabase& conn, ReportSink& reportSink, LocalClock localClock,
         std::string neighbourTable, std::string page)
        : sink(&reportSink),
          clock(std::move(localClock)),
          neighbours(std::move(neighbourTable)),
          pageFile(std::move(page)),
          reports(conn, clock) {}

    std::string ReadPage() const;
    void ServePage(Connection& out, const HttpRequest& request) const;
    void StoreReport(Connection& out, const HttpRequest& request);
};

// The whole page is read before anything is written, so that a missing
// file leaves the connection untouched for the 500 reply and the length in
// the header is the length of the bytes that follow.
std::string ReportHandler::Impl::ReadPage() const {
    std::error_code error;
    if (!std::filesystem::is_regular_file(pageFile, error)) {
        throw IntakeError("File \"" + pageFile + "\" not found");
    }
    std::ifstream in(pageFile, std::ios::binary);
    if (!in) {
        throw IntakeError("File \"" + pageFile + "\" not found");
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw IntakeError("Could not read file \"" + pageFile + "\"");
    }
    return bytes;
}

void ReportHandler::Impl::ServePage(Connection& out, const HttpRequest& request) const {
    const std::string page = ReadPage();
    std::string reply = ReplyHeaderBlock(200, "OK", kPageContentType, page.size());
    if (!IsHead(request)) {
        reply += page;
    }
    out.WriteRaw(reply);
}

void ReportHandler::Impl::StoreReport(Connection& out, const HttpRequest& request) {
    store::HardwareReport report;
    for (const store::ReportField& field : store::kReportFields) {
        report.*field.value = ParamValue(request, field.requestName);
    }
    // A browser can tell neither its PC's address nor its MAC: take the
    // peer's address and the MAC the neighbour table holds for it, but
    // never replace what the report carries.
    if (report.ip.empty()) {
        report.ip = request.ClientAddress;
    }
    if (report.mac.empty()) {
        report.mac = neighbours.MacOf(request.ClientAddress);
    }
    // Returns once the row is durable; the thank-you must not come sooner.
    const std::vector<store::ReportChange> changes = reports.Store(report, request.ClientAddress);

    sink->PostLogLine(ReportLogLine(clock(), report.username));
    if (std::string hardware = HardwareChangeLine(changes); !hardware.empty()) {
        sink->PostLogLine(std::move(hardware));
    }

    std::string reply =
        ReplyHeaderBlock(200, "OK", kThankYouContentType, protocol::kThankYouReply.size());
    if (!IsHead(request)) {
        reply += protocol::kThankYouReply;
    }
    // Throws when the browser has gone: the row and the log line stay, the
    // online list is not marked.
    out.WriteRaw(reply);
    sink->PostMark(report.ip, report.username);
}

ReportHandler::ReportHandler(store::InventoryDatabase& connection, ReportSink& sink,
                             LocalClock clock, std::string neighbourTable, std::string pageFile)
    : impl_(std::make_unique<Impl>(connection, sink, std::move(clock), std::move(neighbourTable),
                                   std::move(pageFile))) {}

ReportHandler::~ReportHandler() = default;

void ReportHandler::SetListeningAddress(std::string hostPort) {
    impl_->collector.SetListeningAddress(std::move(hostPort));
}

store::ReportStore& ReportHandler::Reports() {
    return impl_->reports;
}

bool ReportHandler::PageFileFound() const {
    std::error_code error;
    return std::filesystem::is_regular_file(impl_->pageFile, error) &&
           std::ifstream(impl_->pageFile, std::ios::binary).is_open();
}

void ReportHandler::RouteRequest(Connection& connection, const HttpRequest& request) {
    // The method is not looked at: GET, POST and HEAD are handled alike,
    // except that HEAD gets no body.
    if (request.Path == "/") {
        impl_->ServePage(connection, request);
    } else if (request.Path == "/post") {
        impl_->StoreReport(connection, request);
    } else if (request.Path == "/vantrel-collect.exe") {
        impl_->collector.Serve(connection, request);
    } else if (request.Path == "/vantrel-collect.sh") {
        // The same address rule as the program's marker.
        impl_->script.Serve(connection, request, impl_->collector.ServerFor(request));
    }
    connection.CloseConnection();
    connection.StopThread();
}

}  // namespace vantrel::intake
