#pragma once
// The grid titles of the columns of table ip, in code page 936, for the
// texts that name a column (the event log's change alarm, the history).

#include <string_view>

namespace vantrel::inventory {

// Grid title of a column, the name matched ignoring ASCII case; the name
// itself when the program does not name such a column.
std::string_view GridTitleOf(std::string_view column);

}  // namespace vantrel::inventory
