#include "CollectorWindow.h"

#include <memory>
#include <thread>
#include <utility>

#include "CollectorMarker.h"
#include "GbkLiteral.h"
#include "WinPost.h"
#include "WinText.h"

namespace vantrel::collector {

// Carries a worker's answer back to the window thread.
struct PostDone {
    PostResult result;
    HardwareFacts facts;
};

namespace {

// "电脑信息登记 - Vantrel 采集工具"
const std::string& kTitle = u8"电脑信息登记 - Vantrel 采集工具"_gbk;
// "请填写您的信息后点击“提交”。只有“使用者”必须填写。"
const std::string& kLead = u8"请填写您的信息后点击“提交”。只有“使用者”必须填写。"_gbk;
// "使用者 *", "部门", "电话", "备注"
const std::string& kUserLabel = u8"使用者 *"_gbk;
const std::string& kDeptLabel = u8"部门"_gbk;
const std::string& kTelLabel = u8"电话"_gbk;
const std::string& kNoteLabel = u8"备注"_gbk;
// "本机硬件和已安装软件（已自动识别）"
const std::string& kFactsLabel = u8"本机硬件和已安装软件（已自动识别）"_gbk;
// "服务器", "提交"
const std::string& kServerLabel = u8"服务器"_gbk;
const std::string& kSubmit = u8"提交"_gbk;
// "关闭"
const std::string& kClose = u8"关闭"_gbk;
// "请填写使用者。"
const std::string& kNeedUser = u8"请填写使用者。"_gbk;
// "正在提交……"
const std::string& kSending = u8"正在提交……"_gbk;
// "不能输入 GBK 无法表示的字符，已撤销这次输入。"
const std::string& kRefused = u8"不能输入 GBK 无法表示的字符，已撤销这次输入。"_gbk;
// "服务器地址无效，应为 主机名[:端口]，例如 192.168.1.10:8899。"
const std::string& kBadServer =
    u8"服务器地址无效，应为 主机名[:端口]，例如 192.168.1.10:8899。"_gbk;

constexpr UINT kPostDoneMessage = WM_APP + 1;
constexpr wchar_t kClassName[] = L"VantrelCollectWindow";

enum ControlId : int {
    kLeadText = 100,
    kUserText,
    kDeptText,
    kTelText,
    kNoteText,
    kFactsText,
    kServerText,
    kStatusText,
    // Entries: their index in lastGood_ is id - kUserEdit.
    kUserEdit = 200,
    kDeptEdit,
    kTelEdit,
    kNoteEdit,
    kServerEdit,
    kFactsEdit,
    kSubmitButton = 300,
};

// The page's length limits, in characters.
struct EntryLimit {
    int id;
    int limit;
};
constexpr EntryLimit kEntries[] = {
    {kUserEdit, 50}, {kDeptEdit, 50}, {kTelEdit, 30}, {kNoteEdit, 200}, {kServerEdit, 200}};

// A face that holds Chinese characters: Windows' own first, then the ones
// Wine finds on a Linux desktop.
HFONT CreateUiFont(HWND window) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    HDC dc = GetDC(window);
    font.lfHeight = -MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72);
    font.lfCharSet = DEFAULT_CHARSET;
    for (const wchar_t* face : {L"Microsoft YaHei UI", L"Microsoft YaHei", L"SimSun",
                                L"Noto Sans CJK SC", L"WenQuanYi Micro Hei"}) {
        LOGFONTW wanted{};
        wanted.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
        bool found = false;
        EnumFontFamiliesExW(
            dc, &wanted,
            [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM flag) -> int {
                *reinterpret_cast<bool*>(flag) = true;
                return 0;
            },
            reinterpret_cast<LPARAM>(&found), 0);
        if (found) {
            lstrcpynW(font.lfFaceName, face, LF_FACESIZE);
            break;
        }
    }
    ReleaseDC(window, dc);
    return CreateFontIndirectW(&font);
}

std::wstring WindowTextOf(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace

CollectorWindow::CollectorWindow(HINSTANCE instance, HardwareFacts facts, PersonEntries person,
                                 std::string server)
    : instance_(instance),
      facts_(std::move(facts)),
      person_(std::move(person)),
      server_(std::move(server)) {}

CollectorWindow::~CollectorWindow() {
    if (font_ != nullptr) {
        DeleteObject(font_);
    }
}

int CollectorWindow::Run(int show) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = WindowProc;
    type.hInstance = instance_;
    type.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    type.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = kClassName;
    RegisterClassExW(&type);

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT frame{0, 0, MulDiv(560, dpi, 96), MulDiv(620, dpi, 96)};
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME;
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    window_ = CreateWindowExW(0, kClassName, FromGbk(kTitle).c_str(), style, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, instance_, this);
    if (window_ == nullptr) {
        return 1;
    }
    ShowWindow(window_, show);
    UpdateWindow(window_);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return thanked_ ? 0 : 1;
}

LRESULT CALLBACK CollectorWindow::WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(l);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        reinterpret_cast<CollectorWindow*>(create->lpCreateParams)->window_ = window;
    }
    auto* self = reinterpret_cast<CollectorWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self != nullptr ? self->Handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT CollectorWindow::Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_CREATE:
            CreateControls();
            return 0;
        case WM_SIZE:
            Layout(LOWORD(l), HIWORD(l));
            return 0;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(l);
            limits->ptMinTrackSize.x = 420;
            limits->ptMinTrackSize.y = 480;
            return 0;
        }
        case WM_COMMAND: {
            const int id = LOWORD(w);
            if (id == kSubmitButton && HIWORD(w) == BN_CLICKED) {
                if (thanked_) {
                    DestroyWindow(window_);
                } else {
                    Submit();
                }
            } else if (HIWORD(w) == EN_CHANGE && id >= kUserEdit && id <= kServerEdit) {
                OnEditChanged(id, reinterpret_cast<HWND>(l));
            }
            return 0;
        }
        case WM_CTLCOLORSTATIC:
            // The status line: red for a failure, green for the thanks.
            if (reinterpret_cast<HWND>(l) == GetDlgItem(window_, kStatusText)) {
                HDC dc = reinterpret_cast<HDC>(w);
                SetTextColor(dc, statusIsError_ ? RGB(0xC6, 0x28, 0x28) : RGB(0x1B, 0x6E, 0x2E));
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            return DefWindowProcW(window_, message, w, l);
        case kPostDoneMessage:
            OnPosted(reinterpret_cast<PostDone*>(l));
            return 0;
        case WM_CLOSE:
            // A report on its way is not cut off: its answer comes first.
            if (!sending_) {
                DestroyWindow(window_);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window_, message, w, l);
    }
}

void CollectorWindow::CreateControls() {
    font_ = CreateUiFont(window_);
    auto make = [this](const wchar_t* type, const std::string& gbk, DWORD style, int id,
                       DWORD extended = 0) {
        HWND control = CreateWindowExW(
            extended, type, FromGbk(gbk).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10,
            window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
        return control;
    };
    const DWORD entry = WS_TABSTOP | ES_AUTOHSCROLL;
    make(L"STATIC", kLead, 0, kLeadText);
    make(L"STATIC", kUserLabel, 0, kUserText);
    make(L"EDIT", person_.user, entry, kUserEdit, WS_EX_CLIENTEDGE);
    make(L"STATIC", kDeptLabel, 0, kDeptText);
    make(L"EDIT", person_.dept, entry, kDeptEdit, WS_EX_CLIENTEDGE);
    make(L"STATIC", kTelLabel, 0, kTelText);
    make(L"EDIT", person_.tel, entry, kTelEdit, WS_EX_CLIENTEDGE);
    make(L"STATIC", kNoteLabel, 0, kNoteText);
    make(L"EDIT", person_.note,
         WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL, kNoteEdit,
         WS_EX_CLIENTEDGE);
    make(L"STATIC", kFactsLabel, 0, kFactsText);
    make(L"EDIT", DescribeFacts(facts_), ES_MULTILINE | ES_READONLY | WS_VSCROLL, kFactsEdit,
         WS_EX_CLIENTEDGE);
    make(L"STATIC", kServerLabel, 0, kServerText);
    make(L"EDIT", server_, entry, kServerEdit, WS_EX_CLIENTEDGE);
    make(L"STATIC", "", SS_LEFT, kStatusText);
    make(L"BUTTON", kSubmit, WS_TABSTOP | BS_DEFPUSHBUTTON, kSubmitButton);
    for (const EntryLimit& field : kEntries) {
        HWND edit = GetDlgItem(window_, field.id);
        SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(field.limit), 0);
        lastGood_[field.id - kUserEdit] = WindowTextOf(edit);
    }
    SetFocus(GetDlgItem(window_, kUserEdit));
}

void CollectorWindow::Layout(int width, int height) {
    HDC dc = GetDC(window_);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window_, dc);
    auto px = [dpi](int value) { return MulDiv(value, dpi, 96); };
    const int margin = px(14);
    const int labelWidth = px(70);
    const int row = px(26);
    const int gap = px(8);
    const int inner = width - 2 * margin;
    auto place = [this](int id, int x, int y, int w, int h) {
        MoveWindow(GetDlgItem(window_, id), x, y, w > 0 ? w : 1, h > 0 ? h : 1, TRUE);
    };
    int y = margin;
    place(kLeadText, margin, y, inner, px(36));
    y += px(40);
    for (auto [label, edit] : {std::pair{kUserText, kUserEdit}, std::pair{kDeptText, kDeptEdit},
                               std::pair{kTelText, kTelEdit}}) {
        place(label, margin, y + px(4), labelWidth, row);
        place(edit, margin + labelWidth, y, inner - labelWidth, row);
        y += row + gap;
    }
    place(kNoteText, margin, y + px(4), labelWidth, row);
    place(kNoteEdit, margin + labelWidth, y, inner - labelWidth, px(52));
    y += px(52) + gap;
    place(kFactsText, margin, y, inner, px(20));
    y += px(22);
    const int bottom = height - margin - row - gap - px(40) - gap - row;
    place(kFactsEdit, margin, y, inner, bottom - y);
    y = bottom + gap;
    place(kServerText, margin, y + px(4), labelWidth, row);
    place(kServerEdit, margin + labelWidth, y, inner - labelWidth, row);
    y += row + gap;
    place(kStatusText, margin, y, inner, px(40));
    y += px(40) + gap;
    place(kSubmitButton, width - margin - px(120), y, px(120), row + px(4));
}

void CollectorWindow::OnEditChanged(int id, HWND edit) {
    std::wstring& lastGood = lastGood_[id - kUserEdit];
    const std::wstring text = WindowTextOf(edit);
    std::string gbk;
    if (TryToGbk(text, gbk)) {
        lastGood = text;
        return;
    }
    // Refused whole, never altered: the entry goes back to what it held.
    DWORD start = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    const std::size_t removed = text.size() > lastGood.size() ? text.size() - lastGood.size() : 0;
    SetWindowTextW(edit, lastGood.c_str());
    const DWORD caret = static_cast<DWORD>(start >= removed ? start - removed : 0);
    SendMessageW(edit, EM_SETSEL, caret, caret);
    statusIsError_ = true;
    SetStatus(kRefused);
    MessageBeep(MB_ICONWARNING);
}

void CollectorWindow::SetStatus(const std::string& gbk) {
    SetDlgItemTextW(window_, kStatusText, FromGbk(gbk).c_str());
}

void CollectorWindow::Submit() {
    if (sending_) {
        return;
    }
    PersonEntries person;
    std::string server;
    const std::pair<int, std::string*> entries[] = {{kUserEdit, &person.user},
                                                    {kDeptEdit, &person.dept},
                                                    {kTelEdit, &person.tel},
                                                    {kNoteEdit, &person.note},
                                                    {kServerEdit, &server}};
    for (const auto& [id, target] : entries) {
        if (!TryToGbk(WindowTextOf(GetDlgItem(window_, id)), *target)) {
            statusIsError_ = true;
            SetStatus(kRefused);
            return;
        }
    }
    if (person.user.find_first_not_of(" \t\r\n") == std::string::npos) {
        statusIsError_ = true;
        SetStatus(kNeedUser);
        SetFocus(GetDlgItem(window_, kUserEdit));
        return;
    }
    if (!protocol::IsValidHostPort(server)) {
        statusIsError_ = true;
        SetStatus(kBadServer);
        SetFocus(GetDlgItem(window_, kServerEdit));
        return;
    }
    sending_ = true;
    EnableWindow(GetDlgItem(window_, kSubmitButton), FALSE);
    statusIsError_ = false;
    SetStatus(kSending);
    HWND window = window_;
    HardwareFacts facts = facts_;
    std::thread([window, facts, person, server]() mutable {
        auto done = std::make_unique<PostDone>();
        done->result = PostReport(server, facts, person);
        done->facts = std::move(facts);
        if (PostMessageW(window, kPostDoneMessage, 0, reinterpret_cast<LPARAM>(done.get()))) {
            done.release();
        }
    }).detach();
}

void CollectorWindow::OnPosted(PostDone* done) {
    std::unique_ptr<PostDone> owned(done);
    sending_ = false;
    facts_ = owned->facts;
    SetDlgItemTextW(window_, kFactsEdit, FromGbk(DescribeFacts(facts_)).c_str());
    thanked_ = owned->result.outcome == PostOutcome::Thanked;
    statusIsError_ = !thanked_;
    SetStatus(owned->result.message);
    if (thanked_) {
        // One report per run: the button now only closes the window.
        SetDlgItemTextW(window_, kSubmitButton, FromGbk(kClose).c_str());
    }
    EnableWindow(GetDlgItem(window_, kSubmitButton), TRUE);
    SetFocus(GetDlgItem(window_, kSubmitButton));
}

}  // namespace vantrel::collector
