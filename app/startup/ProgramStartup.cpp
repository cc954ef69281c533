#include "ProgramStartup.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "AccessImport.h"
#include "EmptyInventory.h"
#include "ExecutablePath.h"
#include "GbkConvert.h"
#include "GbkLiteral.h"
#include "HttpService.h"
#include "IntakeError.h"
#include "IpAsset.h"
#include "ReportHandler.h"
#include "StoreError.h"
#include "SystemError.h"

namespace vantrel::app {

namespace {

// A path as the file system names it (UTF-8), in the log's GBK.
std::string PathText(const std::string& path) {
    return text::Utf8ToGbk(path);
}

// "本机还有这些地址：a、b": the machine's further LAN addresses, which staff
// on another subnet may need; "" when there are none.
std::string OtherAddressesLine(const std::vector<std::string>& others) {
    if (others.empty()) {
        return {};
    }
    std::string line = u8"本机还有这些地址："_gbk;
    for (std::size_t i = 0; i < others.size(); ++i) {
        line += (i == 0 ? std::string() : u8"、"_gbk) + others[i];
    }
    return line;
}

// After "http://<address>": the port is part of the fixed text.
const std::string& kListeningText =
    u8":8899已开启，可通知员工用IE访问此地址，以便收集硬件信息。"_gbk;
constexpr std::size_t kRuleLength = 33;

// The folder a page file name is looked for in, absolute, for the
// administrator to read.
std::string FolderOf(const std::string& file) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(file, error);
    if (error) {
        absolute = file;
    }
    return absolute.parent_path().string();
}

// "当前目录（/a）和程序所在目录（/b）中都没有 ip.html，…", one folder when
// both are the same.
std::string NoPageLine(const std::string& pageFile, const std::string& programPageFile) {
    const std::string working = FolderOf(pageFile);
    const std::string program = FolderOf(programPageFile);
    std::string line = u8"当前目录（"_gbk + PathText(working) + u8"）"_gbk;
    if (program != working) {
        line += u8"和程序所在目录（"_gbk + PathText(program) + u8"）中都"_gbk;
    } else {
        line += u8"中"_gbk;
    }
    return line + u8"没有 ip.html，员工打开的网页将显示错误"_gbk;
}

std::string ReadOnlyLine(const std::string& reason) {
    return u8"db.mdb 是只读的，员工提交的信息无法保存（"_gbk + reason + u8"）"_gbk;
}

// Without a readable path of the program only the working directory is
// looked in.
std::string ProgramPageFileOf(const StartupOptions& options) {
    if (!options.programPageFile.empty()) {
        return options.programPageFile;
    }
    try {
        return system::BesideExecutable("ip.html");
    } catch (const system::SystemError&) {
        return options.pageFile;
    }
}

}  // namespace

const std::string& ProgramStartup::CreateDatabaseQuestion() {
    return u8"找不到 db.mdb，是否新建一个空的库存数据库？"_gbk;
}

const std::string& ProgramStartup::DatabaseCreatedLine() {
    return u8"已新建空的 db.mdb"_gbk;
}

ProgramStartup::ProgramStartup(StartupOptions options)
    : options_(std::move(options)), addressLookup_(options_.localAddress, options_.historyFile) {
    options_.programPageFile = ProgramPageFileOf(options_);
}

ProgramStartup::~ProgramStartup() {
    if (!StopIntake()) {
        // A connection thread may still be inside the report handler: leave
        // it the handler, the service and the store's connection.
        [[maybe_unused]] auto* handler = reportHandler_.release();
        [[maybe_unused]] auto* service = service_.release();
        database_.Abandon();
    }
}

void ProgramStartup::StartIntake(intake::ReportSink& sink) {
    reportHandler_ = std::make_unique<intake::ReportHandler>(
        database_, sink, options_.clock, options_.neighbourTable, options_.pageFile,
        options_.programPageFile);
    service_ = std::make_unique<intake::HttpService>(options_.port);
    intake::ReportHandler* handler = reportHandler_.get();
    service_->SetOnCommandGet(
        [handler](intake::Connection& connection, const intake::HttpRequest& request,
                  intake::HttpReply&) { handler->RouteRequest(connection, request); });
    // Taken before the intake listens, so that whoever finds it listening
    // finds the inventory held.
    try {
        inventoryLock_.emplace(DatabasePath(), InventoryLock::Mode::Shared);
    } catch (const std::exception&) {
        // No path, no lock: the store's start-up step tells why.
    }
    service_->StartService();
    intakeStopped_.reset();
}

bool ProgramStartup::StopIntake() {
    if (!service_) {
        return true;
    }
    if (!intakeStopped_) {
        try {
            service_->StopService();
            intakeStopped_ = true;
        } catch (const std::exception&) {
            intakeStopped_ = false;
        }
    }
    return *intakeStopped_;
}

std::string ProgramStartup::DatabasePath() const {
    return options_.databasePath.empty() ? store::InventoryDatabase::DefaultDatabasePath()
                                         : options_.databasePath;
}

StartupReport ProgramStartup::Run(const Confirm& confirm) {
    StartupReport report;
    try {
        RunSteps(report, confirm);
    } catch (const std::exception& error) {
        report.error = error.what();
    } catch (...) {
        report.error = u8"未知错误"_gbk;
    }
    return report;
}

void ProgramStartup::RunSteps(StartupReport& report, const Confirm& confirm) {
    report.localAddress = addressLookup_.LocalIP();
    report.logLines.push_back("http://" + report.localAddress + kListeningText);
    if (options_.otherLocalAddresses) {
        if (std::string others = OtherAddressesLine(options_.otherLocalAddresses());
            !others.empty()) {
            report.logLines.push_back(std::move(others));
        }
    }
    if (reportHandler_) {
        reportHandler_->SetListeningAddress(report.localAddress + ":" +
                                            std::to_string(service_->Port()));
    }
    report.logLines.emplace_back(kRuleLength, '=');
    if (reportHandler_ && !reportHandler_->PageFileFound()) {
        report.logLines.push_back(NoPageLine(options_.pageFile, options_.programPageFile));
    }

    const std::string databasePath = DatabasePath();
    // Only where no name is taken at all: a file that exists but cannot be
    // opened (or a dangling link) is never replaced by an empty one.
    std::error_code error;
    const auto status = std::filesystem::symlink_status(databasePath, error);
    if (status.type() == std::filesystem::file_type::not_found && confirm &&
        confirm(CreateDatabaseQuestion())) {
        try {
            store::CreateEmptyInventory(databasePath);
        } catch (const std::exception& failure) {
            throw store::StoreError(u8"无法新建 db.mdb："_gbk + PathText(failure.what()));
        }
        report.logLines.push_back(DatabaseCreatedLine());
    }
    // An inventory kept in an Access file becomes the store's own first; a
    // failed conversion fails the start-up as a store that cannot open.
    if (auto converted = import::AccessImport::ConvertIfAccess(databasePath)) {
        const auto lines = converted->LogLines(databasePath);
        report.logLines.insert(report.logLines.end(), lines.begin(), lines.end());
    }
    try {
        database_.Open(databasePath);
    } catch (const store::MissingColumnsError& missing) {
        report.logLines.emplace_back(missing.what());
        throw;
    }
    const std::string reason = database_.ReadOnlyReason();
    if (!reason.empty()) {
        report.notWritable = ReadOnlyLine(reason);
        report.logLines.push_back(report.notWritable);
    }
    report.storeOpen = true;
    if (std::string line = store::IpAsset(database_).WarrantyLine(options_.clock); !line.empty()) {
        report.logLines.push_back(std::move(line));
    }
}

}  // namespace vantrel::app
