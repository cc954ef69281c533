#include <windows.h>

#include "WinSoftware.h"

#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "WinText.h"

namespace vantrel::collector {

namespace {

constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// A string value (REG_SZ, or REG_EXPAND_SZ as written); "" when there is
// none.
std::wstring StringValue(HKEY key, const wchar_t* name) {
    constexpr DWORD kFlags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    // A value may grow between asking its size and reading it.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD size = 0;
        if (RegGetValueW(key, nullptr, name, kFlags, nullptr, nullptr, &size) != ERROR_SUCCESS) {
            return {};
        }
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LONG status = RegGetValueW(key, nullptr, name, kFlags, nullptr, text.data(), &size);
        if (status == ERROR_SUCCESS) {
            text.resize(wcsnlen(text.c_str(), text.size()));
            return text;
        }
        if (status != ERROR_MORE_DATA) {
            return {};
        }
    }
    return {};
}

// SystemComponent = 1, as a DWORD or, from some installers, as text.
bool IsSystemComponent(HKEY key) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(key, nullptr, L"SystemComponent", RRF_RT_REG_DWORD, nullptr, &value, &size) ==
        ERROR_SUCCESS) {
        return value == 1;
    }
    return StringValue(key, L"SystemComponent") == L"1";
}

struct RegistryView {
    HKEY root;
    REGSAM view;  // KEY_WOW64_64KEY, KEY_WOW64_32KEY, or 0 for a key both views share
    const char* bits;
    const char* scope;
};

// The programs of one Uninstall key; false when the key cannot be opened.
bool ReadView(const RegistryView& where, std::vector<InstalledProgram>& programs) {
    HKEY uninstall = nullptr;
    if (RegOpenKeyExW(where.root, kUninstallKey, 0, KEY_READ | where.view, &uninstall) !=
        ERROR_SUCCESS) {
        return false;
    }
    // Key names are at most 255 characters.
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(name));
        const LONG status =
            RegEnumKeyExW(uninstall, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        HKEY entryKey = nullptr;
        if (status != ERROR_SUCCESS ||
            RegOpenKeyExW(uninstall, name, 0, KEY_QUERY_VALUE | where.view, &entryKey) !=
                ERROR_SUCCESS) {
            continue;
        }
        UninstallEntry entry;
        entry.keyName = ToGbkMarked(std::wstring_view(name, length));
        entry.displayName = ToGbkMarked(StringValue(entryKey, L"DisplayName"));
        if (!entry.displayName.empty()) {
            entry.displayVersion = ToGbkMarked(StringValue(entryKey, L"DisplayVersion"));
            entry.publisher = ToGbkMarked(StringValue(entryKey, L"Publisher"));
            entry.installDate = ToGbkMarked(StringValue(entryKey, L"InstallDate"));
            entry.parentKeyName = ToGbkMarked(StringValue(entryKey, L"ParentKeyName"));
            entry.releaseType = ToGbkMarked(StringValue(entryKey, L"ReleaseType"));
            entry.systemComponent = IsSystemComponent(entryKey);
        }
        RegCloseKey(entryKey);
        entry.bits = where.bits;
        entry.scope = where.scope;
        if (auto program = ProgramOf(entry)) {
            programs.push_back(std::move(*program));
        }
    }
    RegCloseKey(uninstall);
    return true;
}

}  // namespace

SoftwareList DetectSoftware() {
    // The machine's first, so that of two same entries the machine's is kept.
    // The user's key is shared by both views: its bitness is unknown.
    const RegistryView views[] = {
        {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "64", "machine"},
        {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "32", "machine"},
        {HKEY_CURRENT_USER, 0, "", "user"},
    };
    std::vector<InstalledProgram> programs;
    for (const RegistryView& view : views) {
        if (!ReadView(view, programs) && view.root == HKEY_LOCAL_MACHINE &&
            view.view == KEY_WOW64_64KEY) {
            return {};
        }
    }
    return BuildSoftwareList(programs);
}

}  // namespace vantrel::collector
