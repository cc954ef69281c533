// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>
#include <ws2tcpip.h>

#include "WinPost.h"

#include <string>

#include "CollectorMarker.h"
#include "FormEncoding.h"
#include "Gbk.h"
#include "GbkLiteral.h"
#include "WinProbe.h"
#include "WinText.h"

namespace vantrel::collector {

namespace {

constexpr int kConnectSeconds = 10;
constexpr int kReplySeconds = 30;
constexpr std::size_t kMaxReply = 64 * 1024;

// "无法连接服务器 "
const std::string& kUnreachable = u8"无法连接服务器 "_gbk;
// "服务器出错："
const std::string& kServerFailed = u8"服务器出错："_gbk;
// "服务器的回答无法识别："
const std::string& kUnknownAnswer = u8"服务器的回答无法识别："_gbk;
// "服务器没有回答。"
const std::string& kNoAnswer = u8"服务器没有回答。"_gbk;

std::string SystemMessage(int code) {
    wchar_t* text = nullptr;
    FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = text != nullptr ? ToGbkLossy(text) : std::string();
    LocalFree(text);
    while (!message.empty() && (message.back() == '\r' || message.back() == '\n' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(code) : message;
}

PostResult Unreachable(const std::string& hostPort, const std::string& reason) {
    return {PostOutcome::Unreachable, kUnreachable + hostPort + u8"："_gbk + reason};
}

// Connects with a time limit; INVALID_SOCKET and `error` set on failure.
SOCKET ConnectWithin(const addrinfo* address, int& error) {
    SOCKET s = socket(address->ai_family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        error = WSAGetLastError();
        return s;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, address->ai_addr, static_cast<int>(address->ai_addrlen)) != 0 &&
        WSAGetLastError() != WSAEWOULDBLOCK) {
        error = WSAGetLastError();
        closesocket(s);
        return INVALID_SOCKET;
    }
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval limit{kConnectSeconds, 0};
    const int ready = select(0, nullptr, &writable, &failed, &limit);
    int socketError = 0;
    int length = sizeof socketError;
    getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&socketError), &length);
    if (ready <= 0 || FD_ISSET(s, &failed) || socketError != 0) {
        error = ready == 0 ? WSAETIMEDOUT : (socketError != 0 ? socketError : WSAECONNREFUSED);
        closesocket(s);
        return INVALID_SOCKET;
    }
    nonBlocking = 0;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    DWORD timeout = kReplySeconds * 1000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    return s;
}

std::string AddressText(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = {};
    const void* bytes =
        address->sa_family == AF_INET
            ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(address)->sin_addr)
            : static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr);
    return inet_ntop(address->sa_family, bytes, text, sizeof text) != nullptr ? text : "";
}

bool SendAll(SOCKET s, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

PostResult PostReport(const std::string& hostPort, HardwareFacts& facts,
                      const PersonEntries& person) {
    protocol::ServerAddress server;
    try {
        server = protocol::SplitHostPort(hostPort);
    } catch (const std::exception& error) {
        return Unreachable(hostPort, error.what());
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(server.port);
    if (const int failed = getaddrinfo(server.host.c_str(), port.c_str(), &hints, &found);
        failed != 0) {
        return Unreachable(hostPort, SystemMessage(failed));
    }
    SOCKET s = INVALID_SOCKET;
    int error = 0;
    std::string serverIp;
    for (const addrinfo* address = found; address != nullptr && s == INVALID_SOCKET;
         address = address->ai_next) {
        s = ConnectWithin(address, error);
        if (s != INVALID_SOCKET) {
            serverIp = AddressText(address->ai_addr);
        }
    }
    freeaddrinfo(found);
    if (s == INVALID_SOCKET) {
        return Unreachable(hostPort, SystemMessage(error));
    }

    // The address this connection comes from is the one the server sees.
    sockaddr_storage local{};
    int length = sizeof local;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&local), &length) == 0 &&
        local.ss_family == AF_INET) {
        facts.ip = AddressText(reinterpret_cast<const sockaddr*>(&local));
        facts.mac = MacOfAdapter(facts.ip, serverIp);
    }

    std::string reply;
    const bool sent = SendAll(s, BuildPostRequest(hostPort, ReportFields(facts, person)));
    if (sent) {
        shutdown(s, SD_SEND);
        char buffer[4096];
        for (;;) {
            const int n = recv(s, buffer, sizeof buffer, 0);
            if (n <= 0 || reply.size() > kMaxReply) {
                break;
            }
            reply.append(buffer, static_cast<std::size_t>(n));
        }
    }
    closesocket(s);
    if (!sent) {
        return Unreachable(hostPort, SystemMessage(WSAGetLastError()));
    }
    if (reply.empty()) {
        return {PostOutcome::ServerError, kNoAnswer};
    }
    const ServerAnswer answer = ParseServerAnswer(reply);
    if (answer.thanked) {
        return {PostOutcome::Thanked, answer.body};
    }
    std::string text = answer.body.empty() ? "HTTP " + std::to_string(answer.status) : answer.body;
    text = std::string(text::CutAtCharBoundary(text, 500));
    return {PostOutcome::ServerError,
            (answer.status >= 500 ? kServerFailed : kUnknownAnswer) + text};
}

}  // namespace vantrel::collector
