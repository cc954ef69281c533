#pragma once
// The tables whose rows belong to one PC's row of ip, keyed as its history
// is: column mac holds HistoryKey of the row (its MAC as the row holds it,
// or the no-mac key of a row without one). When a PC's MAC changes, the
// rows of every one of them follow it in the same transaction; when the
// PC's row is deleted and saved, the rows of those marked go with it. A
// file may lack some of them (an older file that cannot be written): they
// are skipped then.

#include <array>
#include <string_view>

namespace vantrel::store {

struct KeyedTable {
    std::string_view name;
    bool goesWithRow;  // deleted with the PC's row
};

inline constexpr std::array<KeyedTable, 7> kKeyedTables{{
    {"ip_history", false},  // the history outlives the row, as it always has
    {"ip_device", true},
    {"ip_monitor", true},
    {"ip_knownmac", true},
    {"ip_software", true},
    {"ip_softlist", true},
    {"ip_asset", true},
}};

}  // namespace vantrel::store
