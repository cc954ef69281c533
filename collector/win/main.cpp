// vantrel-collect.exe: reads this PC's hardware and installed programs once,
// lets the person add their name and department, sends one report to the
// Vantrel intake, and leaves nothing behind. With --silent it sends without
// a window, for login scripts; its exit status tells the outcome.

// winsock2.h must come before windows.h, and windows.h before shellapi.h.
#include <winsock2.h>

#include <windows.h>

#include <shellapi.h>

#include <exception>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "CollectorReport.h"
#include "CollectorWindow.h"
#include "GbkLiteral.h"
#include "ServerMarker.h"
#include "WinPost.h"
#include "WinProbe.h"
#include "WinText.h"

namespace vantrel::collector {
namespace {

// Exit statuses of --silent.
constexpr int kExitThanked = 0;
constexpr int kExitUsage = 2;
constexpr int kExitUnreachable = 3;
constexpr int kExitServerError = 4;

// "不知道服务器地址：请从服务器下载本程序，或用 --server 主机名[:端口] 指定。"
const std::string& kNoServer =
    u8"不知道服务器地址：请从服务器下载本程序，或用 --server 主机名[:端口] 指定。"_gbk;
// "命令行参数含有 GBK 无法表示的字符。"
const std::string& kArgumentNotGbk = u8"命令行参数含有 GBK 无法表示的字符。"_gbk;

// Writes a line for whoever started the program: to its console as UTF-16,
// or as GBK bytes when the output goes to a file or pipe. A GUI program
// started from a console without redirection has no standard handles; it
// attaches to that console and writes to it directly.
void Say(const std::string& gbk) {
    HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        static HANDLE console = INVALID_HANDLE_VALUE;
        if (console == INVALID_HANDLE_VALUE && AttachConsole(ATTACH_PARENT_PROCESS)) {
            console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        }
        out = console;
    }
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        const std::wstring wide = FromGbk(gbk + "\r\n");
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        const std::string line = gbk + "\r\n";
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
}

int RunSilent(const CommandLine& line, const std::string& server) {
    HardwareFacts facts = DetectHardware();
    const PostResult result = PostReport(server, facts, line.person);
    Say(DescribeFacts(facts));
    Say(result.message);
    switch (result.outcome) {
        case PostOutcome::Thanked:
            return kExitThanked;
        case PostOutcome::Unreachable:
            return kExitUnreachable;
        case PostOutcome::ServerError:
            return kExitServerError;
    }
    return kExitServerError;
}

int Main(HINSTANCE instance, int show) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    bool allGbk = true;
    for (int i = 1; i < count; ++i) {
        std::string gbk;
        allGbk = allGbk && TryToGbk(wide[i], gbk);
        arguments.push_back(gbk);
    }
    LocalFree(wide);
    CommandLine line;
    try {
        if (!allGbk) {
            throw std::runtime_error(kArgumentNotGbk);
        }
        line = ParseCommandLine(arguments);
    } catch (const std::exception& error) {
        Say(error.what());
        if (!line.silent) {
            MessageBoxW(nullptr, FromGbk(error.what()).c_str(), L"vantrel-collect",
                        MB_OK | MB_ICONERROR);
        }
        return kExitUsage;
    }
    const std::string server = line.server.empty() ? PatchedServer() : line.server;

    WSADATA winsock{};
    if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) {
        Say("WSAStartup failed");
        return kExitUnreachable;
    }
    int status = kExitUsage;
    if (line.silent) {
        if (server.empty()) {
            Say(kNoServer);
        } else {
            status = RunSilent(line, server);
        }
    } else {
        HardwareFacts facts = DetectHardware();
        DetectRouteToServer(server, facts);
        CollectorWindow window(instance, std::move(facts), line.person, server);
        status = window.Run(show);
    }
    WSACleanup();
    return status;
}

}  // namespace
}  // namespace vantrel::collector

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    return vantrel::collector::Main(instance, show);
}
