#include "NodeStatusProber.h"

#include <algorithm>
#include <array>

#include "GbkLiteral.h"
#include "Ipv4Text.h"
#include "NodeStatus.h"
#include "OnlineList.h"
#include "ScanWindow.h"
#include "SweepWorker.h"

namespace vantrel::scan {

namespace {

constexpr std::size_t kRequestLength = 50;
// GBK texts.
const std::string& kSocketFailed = u8"  Socket创建失败"_gbk;
constexpr char kBindFailed[] = "bind fail";
// "SOCKET错误，可能是你网线没接好或网络设置有问题，是否中断扫描？"
const std::string& kSendErrorText =
    u8"SOCKET错误，可能是你网线没接好或网络设置有问题，是否中断扫描？"_gbk;
const std::string& kCountPrefix = u8"在线电脑数量："_gbk;
const std::string& kCountSuffix = u8" 台"_gbk;

}  // namespace

NodeStatusProber::NodeStatusProber(ScanWindow& window, MainThread& mainThread,
                                   std::uint16_t peerPort)
    : window_(window), mainThread_(mainThread), peerPort_(peerPort) {
    // POSIX sockets need no library start-up, so that step cannot fail here.
    if (!probeSocket_.Create()) {
        window_.ShowInformation(std::to_string(probeSocket_.LastError()) + kSocketFailed);
    } else if (!probeSocket_.BindAny()) {
        window_.ShowInformation(kBindFailed);
    }
    event_ = SweepEvent::Open(kSweepEventName);
}

NodeStatusProber::~NodeStatusProber() {
    StopSweep();
    // Each worker's destructor waits for its thread.
    workers_.clear();
}

NodeStatusProber::SendOutcome NodeStatusProber::SendRequest(std::string_view datagram,
                                                            const std::string& address,
                                                            bool lastTry) {
    peerAddress_ = DottedQuadToNumber(address);
    const UdpSocket::SendResult sent =
        probeSocket_.SendTo(datagram.substr(0, kRequestLength), peerAddress_, peerPort_);
    if (sent == UdpSocket::SendResult::NoRoom && !lastTry) {
        return SendOutcome::NoRoom;
    }
    // Only a send that cannot go out at all, or that found no room for as
    // long as the caller waited, asks about the cable.
    if (sent != UdpSocket::SendResult::Sent) {
        if (window_.AskAbortAfterSendError(kSendErrorText)) {
            if (stop_) {
                stop_->store(true);
            }
            window_.SweepAborted(*this);
        }
    }
    window_.SetProbeAddressText(address);
    return SendOutcome::Done;
}

void NodeStatusProber::HandleSocketMessage() {
    std::array<std::uint8_t, kReceiveBufferSize> buffer{};
    std::uint32_t sender = 0;
    const long length = probeSocket_.ReceiveFrom(buffer.data(), buffer.size(), sender);
    // A datagram that did not fit in the buffer counts as a failed receive.
    if (length > 0 && static_cast<std::size_t>(length) <= buffer.size()) {
        peerAddress_ = sender;
        DecodeNodeStatus(buffer.data(), static_cast<std::size_t>(length), DottedDecimal(sender));
    }
    event_->Set();
}

void NodeStatusProber::DecodeNodeStatus(const std::uint8_t* datagram, std::size_t length,
                                        const std::string& sender) {
    auto answer = DecodeNodeStatusAnswer(datagram, length);
    if (!answer) {
        return;
    }
    OnlineList& list = window_.List();
    list.FillSlot(answer->name, sender, answer->mac);
    window_.OnlineListChanged();
    window_.AnswerReceived(*this, answer->name, sender, answer->mac);
    window_.SetCountText(kCountPrefix + std::to_string(list.ResultCount()) + kCountSuffix);
}

void NodeStatusProber::StartSweep(std::string fromText, std::string toText, std::int32_t interval) {
    // Workers of earlier sweeps of this prober that have ended are let go.
    std::erase_if(workers_, [](const auto& worker) { return worker->Finished(); });
    stop_ = std::make_shared<std::atomic<bool>>(false);
    workers_.push_back(std::make_unique<SweepWorker>(*this, window_, mainThread_, stop_, event_,
                                                     std::move(fromText), std::move(toText),
                                                     interval));
    workers_.back()->Start();
}

void NodeStatusProber::StopSweep() {
    if (stop_) {
        stop_->store(true);
    }
}

bool NodeStatusProber::Sweeping() const {
    return std::any_of(workers_.begin(), workers_.end(),
                       [](const auto& worker) { return !worker->Finished(); });
}

bool NodeStatusProber::StopRequested() const {
    return stop_ && stop_->load();
}

}  // namespace vantrel::scan
