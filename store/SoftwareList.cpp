#include "SoftwareList.h"

#include <algorithm>
#include <array>

namespace vantrel::store {

ProgramView SplitProgramLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    std::array<std::string_view, 7> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t tab = i + 1 < values.size() ? line.find('\t') : std::string_view::npos;
        values[i] = line.substr(0, tab);
        if (tab == std::string_view::npos) {
            break;
        }
        line.remove_prefix(tab + 1);
    }
    return {values[0], values[1], values[2], values[3], values[4], values[5], values[6] == "1"};
}

std::size_t ProgramValueCount(std::string_view line) {
    return static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')) + 1;
}

}  // namespace vantrel::store
