#include "MacKey.h"

#include "Gbk.h"

namespace vantrel::scan {

std::string MacKey(std::string_view mac) {
    std::string key = text::AsciiUpper(mac);
    for (std::size_t i = 0; i < key.size(); i += text::CharLength(key, i)) {
        if (key[i] == '.' || key[i] == '-') {
            key[i] = ':';
        }
    }
    return key;
}

}  // namespace vantrel::scan
