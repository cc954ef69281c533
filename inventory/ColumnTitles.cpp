#include "ColumnTitles.h"

#include <array>
#include <string>

#include "GbkConvert.h"
#include "IpColumns.h"

namespace vantrel::inventory {

std::string_view GridTitleOf(std::string_view column) {
    // Converted once, on first use.
    static const std::array<std::string, protocol::kIpColumnCount> titles = [] {
        std::array<std::string, protocol::kIpColumnCount> gbk;
        for (std::size_t i = 0; i < gbk.size(); ++i) {
            gbk[i] = text::Utf8ToGbk(protocol::kIpColumns[i].title);
        }
        return gbk;
    }();
    const std::size_t i = protocol::IpColumnIndex(column);
    return i < titles.size() ? std::string_view(titles[i]) : column;
}

}  // namespace vantrel::inventory
