#include "PcKey.h"

#include "Gbk.h"

namespace vantrel::inventory {

std::string PcKeyOf(std::string_view mac, std::string_view ip, std::string_view pcname) {
    if (!mac.empty()) {
        return std::string(mac);
    }
    std::string key = "no-mac\t";
    key += ip;
    key += '\t';
    key += pcname;
    return key;
}

std::string PcKeyForLookup(std::string_view key) {
    return text::AsciiUpper(key);
}

}  // namespace vantrel::inventory
