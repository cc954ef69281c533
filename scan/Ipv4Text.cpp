#include "Ipv4Text.h"

#include <algorithm>

namespace vantrel::scan {

namespace {
constexpr std::size_t kDotSearchLength = 15;
constexpr std::size_t kFallbackLength = 16;
}  // namespace

std::string AddressPrefix(std::string_view address) {
    int dots = 0;
    const std::size_t searched = std::min(address.size(), kDotSearchLength);
    for (std::size_t i = 0; i < searched; ++i) {
        if (address[i] == '.' && ++dots == 3) {
            return std::string(address.substr(0, i + 1));
        }
    }
    return std::string(address.substr(0, kFallbackLength));
}

}  // namespace vantrel::scan
