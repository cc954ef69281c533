#pragma once
// The grid titles of the columns of table ip, and the titles of the facts
// kept beside it (maker, model, serials, monitors, programs, the asset
// record), in code page 936, for the texts that name a column or fact (the
// event log's change alarm, the history).

#include <string_view>

namespace vantrel::inventory {

// Grid title of a column or title of a fact, the name matched ignoring
// ASCII case; the name itself when the program does not name such a field.
std::string_view GridTitleOf(std::string_view column);

}  // namespace vantrel::inventory
