#include "ReportHandler.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "CollectorDownload.h"
#include "IdentityParams.h"
#include "IntakeError.h"
#include "InventoryDatabase.h"
#include "ListDigestMemo.h"
#include "NeighbourTable.h"
#include "ReportReply.h"
#include "ReportStore.h"
#include "ReportText.h"
#include "ScriptDownload.h"
#include "SoftwareIntake.h"

namespace vantrel::intake {

namespace {

bool IsHead(const HttpRequest& request) {
    return request.method == "HEAD";
}

}  // namespace

struct ReportHandler::Impl {
    ReportSink* sink = nullptr;
    system::LocalClock clock;
    NeighbourTable neighbours;
    std::string pageFile;
    std::string otherPageFile;
    // Writes reports in groups; one for all connection threads.
    store::ReportStore reports;
    CollectorDownload collector;
    ScriptDownload script;
    // Digests of the programs lists read so far: a PC re-reporting its
    // unchanged list is recognised without hashing it again.
    ListDigestMemo listDigests;

    Impl(store::InventoryDatabase& conn, ReportSink& reportSink, system::LocalClock localClock,
         std::string neighbourTable, std::string page, std::string otherPage)
        : sink(&reportSink),
          clock(std::move(localClock)),
          neighbours(std::move(neighbourTable)),
          pageFile(std::move(page)),
          otherPageFile(std::move(otherPage)),
          reports(conn, clock) {}

    // The page file a request finds now: the first name that is a file.
    const std::string& PageFile() const;
    std::string ReadPage() const;
    void ServePage(Connection& out, const HttpRequest& request) const;
    void StoreReport(Connection& out, const HttpRequest& request);
};

const std::string& ReportHandler::Impl::PageFile() const {
    std::error_code error;
    if (!otherPageFile.empty() && !std::filesystem::is_regular_file(pageFile, error) &&
        std::filesystem::is_regular_file(otherPageFile, error)) {
        return otherPageFile;
    }
    return pageFile;
}

// The whole page is read before anything is written, so that a missing
// file leaves the connection untouched for the 500 reply and the length in
// the header is the length of the bytes that follow.
std::string ReportHandler::Impl::ReadPage() const {
    const std::string& file = PageFile();
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        throw IntakeError("File \"" + file + "\" not found");
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw IntakeError("File \"" + file + "\" not found");
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw IntakeError("Could not read file \"" + file + "\"");
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
    report.identity = IdentityOf(request);
    // A browser can tell neither its PC's address nor its MAC: take the
    // peer's address and the MAC the neighbour table holds for it, but
    // never replace what the report carries.
    if (report.ip.empty()) {
        report.ip = request.clientAddress;
    }
    if (report.mac.empty()) {
        report.mac = neighbours.MacOf(request.clientAddress);
    }
    // Returns once the row is durable; the thank-you must not come sooner.
    const SoftwareIntake software(request, &listDigests);
    store::StoreOutcome stored =
        reports.StoreReport(report, request.clientAddress, software.List());

    std::string line = ReportLogLine(clock(), report.username);
    if (stored.keyedByAddress) {
        line += MacLessLogSuffix(report.ip);
    }
    line += IdentityLogSuffix(stored.identity);
    sink->PostLogLine(std::move(line));
    if (std::string hardware = HardwareChangeLine(stored.changes); !hardware.empty()) {
        sink->PostLogLine(std::move(hardware));
    }
    if (std::string note = software.LogLine(); !note.empty()) {
        sink->PostLogLine(std::move(note));
    }
    sink->PostRowsWritten(std::move(stored.rows));

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
                             system::LocalClock clock, std::string neighbourTable,
                             std::string pageFile, std::string otherPageFile)
    : impl_(std::make_unique<Impl>(connection, sink, std::move(clock), std::move(neighbourTable),
                                   std::move(pageFile), std::move(otherPageFile))) {}

ReportHandler::~ReportHandler() = default;

void ReportHandler::SetListeningAddress(std::string hostPort) {
    impl_->collector.SetListeningAddress(std::move(hostPort));
}

store::ReportStore& ReportHandler::Reports() {
    return impl_->reports;
}

bool ReportHandler::PageFileFound() const {
    std::error_code error;
    const std::string& pageFile = impl_->PageFile();
    return std::filesystem::is_regular_file(pageFile, error) &&
           std::ifstream(pageFile, std::ios::binary).is_open();
}

void ReportHandler::RouteRequest(Connection& connection, const HttpRequest& request) {
    // The method is not looked at: GET, POST and HEAD are handled alike,
    // except that HEAD gets no body.
    if (request.path == "/") {
        impl_->ServePage(connection, request);
    } else if (request.path == "/post") {
        impl_->StoreReport(connection, request);
    } else if (request.path == "/vantrel-collect.exe") {
        impl_->collector.Serve(connection, request);
    } else if (request.path == "/vantrel-collect.sh") {
        // The same address rule as the program's marker.
        impl_->script.Serve(connection, request, impl_->collector.ServerFor(request));
    }
    connection.CloseConnection();
    connection.StopThread();
}

}  // namespace vantrel::intake
