#include "MacText.h"

#include "Gbk.h"

namespace vantrel::inventory {

std::string WithMacSeparator(std::string_view mac, char separator) {
    std::string text(mac);
    for (std::size_t i = 0; i < text.size(); i += text::CharLength(text, i)) {
        if (text[i] == '.' || text[i] == ':' || text[i] == '-') {
            text[i] = separator;
        }
    }
    return text;
}

}  // namespace vantrel::inventory
