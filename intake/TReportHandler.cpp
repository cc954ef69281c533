#include "TReportHandler.h"

#include "TADOConnection.h"

namespace vantrel::intake {

std::tm SystemLocalTime() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

struct TReportHandler::Impl {
    store::TADOConnection* connection = nullptr;
    TReportSink* sink = nullptr;
    LocalClock clock;
    std::string neighbourTable;
    std::string pageFile;
};

TReportHandler::TReportHandler(store::TADOConnection& connection, TReportSink& sink,
                               LocalClock clock, std::string neighbourTable,
                               std::string pageFile)
    : impl_(std::make_unique<Impl>()) {
    impl_->connection = &connection;
    impl_->sink = &sink;
    impl_->clock = std::move(clock);
    impl_->neighbourTable = std::move(neighbourTable);
    impl_->pageFile = std::move(pageFile);
}

TReportHandler::~TReportHandler() = default;

void TReportHandler::IdHTTPServer1CommandGet(TConnection& connection, const HttpRequest&,
                                             HttpReply&) {
    connection.CloseConnection();
    connection.StopThread();
}

}  // namespace vantrel::intake
