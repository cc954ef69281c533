#include "TReportHandler.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "IntakeError.h"
#include "ReportText.h"
#include "TADOConnection.h"
#include "TADOQuery2.h"
#include "TNeighbourTable.h"

namespace vantrel::intake {

std::tm SystemLocalTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

namespace {

// The MAC is bound as x3 in the count and the update too, so that no
// reported text ever becomes part of a statement.
constexpr std::string_view kCountSql = "select count(*) as sl from ip where mac=:x3";
constexpr std::string_view kUpdateSql =
    "update ip set pcname=:x1,username=:x2,ip=:x4,cpu=:x5,board=:x6,os=:x7,pctype=:x8,"
    "rammax=:x9,rammin=:x10,bios=:x11,bm=:x12,dh=:x13,bz=:x14,yp=:x15,xk=:x16 where mac=:x3";
constexpr std::string_view kInsertSql =
    "insert into ip (pcname,username,mac,ip,cpu,board,os,pctype,rammax,rammin,bios,bm,dh,bz,"
    "yp,xk) values (:x1,:x2,:x3,:x4,:x5,:x6,:x7,:x8,:x9,:x10,:x11,:x12,:x13,:x14,:x15,:x16)";

struct Binding {
    std::string_view requestName;
    std::string_view parameter;
};

// Request names of a report and their statement parameters; x3 (mac) and
// x4 (ip) are bound from the enriched values instead.
constexpr std::array<Binding, 14> kPlainBindings{{
    {"xipName", "x1"},
    {"xipUserName", "x2"},
    {"xipCpu", "x5"},
    {"xipBoard", "x6"},
    {"xipOs", "x7"},
    {"xipDorl", "x8"},
    {"xipRammax", "x9"},
    {"xipRammin", "x10"},
    {"xipBios", "x11"},
    {"bm", "x12"},
    {"dh", "x13"},
    {"bz", "x14"},
    {"xipYp", "x15"},
    {"xipXk", "x16"},
}};

bool IsHead(const HttpRequest& request) {
    return request.Method == "HEAD";
}

}  // namespace

struct TReportHandler::Impl {
    store::TADOConnection* connection = nullptr;
    TReportSink* sink = nullptr;
    LocalClock clock;
    TNeighbourTable neighbours;
    std::string pageFile;
    // Re-used for every statement; touched only under the connection's lock.
    store::TADOQuery2 ADOQuery2;

    Impl(store::TADOConnection& conn, TReportSink& reportSink, LocalClock localClock,
         std::string neighbourTable, std::string page)
        : connection(&conn),
          sink(&reportSink),
          clock(std::move(localClock)),
          neighbours(std::move(neighbourTable)),
          pageFile(std::move(page)),
          ADOQuery2(conn) {}

    std::string ReadPage() const;
    void ServePage(TConnection& out, const HttpRequest& request) const;
    void StoreReport(TConnection& out, const HttpRequest& request);
};

// The whole page is read before anything is written, so that a missing
// file leaves the connection untouched for the 500 reply and the length in
// the header is the length of the bytes that follow.
std::string TReportHandler::Impl::ReadPage() const {
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

void TReportHandler::Impl::ServePage(TConnection& out, const HttpRequest& request) const {
    const std::string page = ReadPage();
    std::string reply = ReplyHeaderBlock(200, "OK", kPageContentType, page.size());
    if (!IsHead(request)) {
        reply += page;
    }
    out.WriteRaw(reply);
}

void TReportHandler::Impl::StoreReport(TConnection& out, const HttpRequest& request) {
    // A browser can tell neither its PC's address nor its MAC: take the
    // peer's address and the MAC the neighbour table holds for it, but
    // never replace what the report carries.
    std::string ip = ParamValue(request, "xipIp");
    if (ip.empty()) {
        ip = request.ClientAddress;
    }
    std::string mac = ParamValue(request, "xipMac");
    if (mac.empty()) {
        mac = neighbours.MacOf(request.ClientAddress);
    }
    const std::string user = ParamValue(request, "xipUserName");

    {
        // Count and write as one unit: two reports of a new MAC must not
        // both see a count of 0.
        auto guard = connection->Lock();
        ADOQuery2.SetSQL(kCountSql);
        ADOQuery2.SetParam("x3", mac);
        ADOQuery2.Open();
        const bool known = ADOQuery2.FieldAsInteger("sl") != 0;
        ADOQuery2.SetSQL(known ? kUpdateSql : kInsertSql);
        for (const Binding& binding : kPlainBindings) {
            ADOQuery2.SetParam(binding.parameter, ParamValue(request, binding.requestName));
        }
        ADOQuery2.SetParam("x3", mac);
        ADOQuery2.SetParam("x4", ip);
        ADOQuery2.ExecSQL();
    }

    sink->PostLogLine(ReportLogLine(clock(), user));

    std::string reply = ReplyHeaderBlock(200, "OK", kThankYouContentType, kThankYou.size());
    if (!IsHead(request)) {
        reply += kThankYou;
    }
    // Throws when the browser has gone: the row and the log line stay, the
    // online list is not marked.
    out.WriteRaw(reply);
    sink->PostMark(ip, user);
}

TReportHandler::TReportHandler(store::TADOConnection& connection, TReportSink& sink,
                               LocalClock clock, std::string neighbourTable, std::string pageFile)
    : impl_(std::make_unique<Impl>(connection, sink, std::move(clock), std::move(neighbourTable),
                                   std::move(pageFile))) {}

TReportHandler::~TReportHandler() = default;

void TReportHandler::IdHTTPServer1CommandGet(TConnection& connection, const HttpRequest& request) {
    // The method is not looked at: GET, POST and HEAD are handled alike,
    // except that HEAD gets no body.
    if (request.Path == "/") {
        impl_->ServePage(connection, request);
    } else if (request.Path == "/post") {
        impl_->StoreReport(connection, request);
    }
    connection.CloseConnection();
    connection.StopThread();
}

}  // namespace vantrel::intake
