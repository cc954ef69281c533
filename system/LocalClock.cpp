#include "LocalClock.h"

#include <cstdio>

namespace vantrel::system {

std::tm SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

std::tm LocalNow(const LocalClock& clock) {
    return clock ? clock() : SystemLocalTime();
}

std::string TimeText(const std::tm& local) {
    char text[96];
    const int length =
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return length > 0 ? std::string(text, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace vantrel::system
