#include "IpColumns.h"

#include "Gbk.h"

namespace vantrel::store {

std::string_view GridTitleOf(std::string_view column) {
    for (const IpColumn& known : kIpColumns) {
        if (text::EqualsIgnoringAsciiCase(known.name, column)) {
            return known.gridTitle;
        }
    }
    return column;
}

}  // namespace vantrel::store
