#include "GbkLiteral.h"

#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include "GbkConvert.h"
#endif

namespace vantrel::text {

namespace {

[[noreturn]] void Refuse(std::u8string_view utf8) {
    throw std::logic_error("text literal has no exact GBK form: " +
                           std::string(utf8.begin(), utf8.end()));
}

}  // namespace

#ifdef _WIN32

// The Windows collector has no iconv: the system's code page 936 converts,
// and any default character it had to use means the text is not exact.
std::string Utf8ToGbkExact(std::u8string_view utf8) {
    if (utf8.empty()) {
        return {};
    }
    const char* bytes = reinterpret_cast<const char*>(utf8.data());
    const int size = static_cast<int>(utf8.size());
    const int wideLength =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, size, nullptr, 0);
    if (wideLength <= 0) {
        Refuse(utf8);
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, size, wide.data(), wideLength);
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength,
                                           nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) {
        Refuse(utf8);
    }
    std::string gbk(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength, gbk.data(), length,
                        nullptr, &usedDefault);
    return gbk;
}

#else

std::string Utf8ToGbkExact(std::u8string_view utf8) {
    std::size_t replaced = 0;
    std::string gbk = Utf8ToGbk(
        std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()), &replaced);
    if (replaced != 0) {
        Refuse(utf8);
    }
    return gbk;
}

#endif

}  // namespace vantrel::text
