#include "WinText.h"

#include <windows.h>

#include <utility>

namespace vantrel::collector {

namespace {
constexpr UINT kGbk = 936;
}

std::wstring FromGbk(std::string_view gbk) {
    if (gbk.empty()) {
        return {};
    }
    const int size = static_cast<int>(gbk.size());
    const int length = MultiByteToWideChar(kGbk, 0, gbk.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(kGbk, 0, gbk.data(), size, wide.data(), length);
    return wide;
}

bool TryToGbk(std::wstring_view wide, std::string& out) {
    if (wide.empty()) {
        out.clear();
        return true;
    }
    const int size = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                           0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) {
        return false;
    }
    std::string gbk(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), size, gbk.data(), length, nullptr,
                        &usedDefault);
    // A character mapped to something else would not come back unchanged.
    if (usedDefault || FromGbk(gbk) != wide) {
        return false;
    }
    out = std::move(gbk);
    return true;
}

std::string ToGbkLossy(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(kGbk, 0, wide.data(), size, nullptr, 0, "?", nullptr);
    std::string gbk(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    WideCharToMultiByte(kGbk, 0, wide.data(), size, gbk.data(), length, "?", nullptr);
    return gbk;
}

std::string ToGbkMarked(std::wstring_view wide) {
    std::string gbk;
    if (TryToGbk(wide, gbk)) {
        return gbk;
    }
    // Character by character: a surrogate pair is one character.
    gbk.clear();
    for (std::size_t i = 0; i < wide.size();) {
        std::size_t length = 1;
        if (wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size() &&
            wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF) {
            length = 2;
        }
        std::string one;
        gbk += TryToGbk(wide.substr(i, length), one) ? one : std::string("?");
        i += length;
    }
    return gbk;
}

}  // namespace vantrel::collector
