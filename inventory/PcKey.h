#pragma once
// The key everything kept about one PC beside its row of table ip is
// stored under (its history, identity values, monitors, known MACs): the
// row's MAC as the row holds it, or for a row without one its address and
// PC name after a text no MAC can hold, so that it never meets a MAC's.

#include <string>
#include <string_view>

namespace vantrel::inventory {

std::string PcKeyOf(std::string_view mac, std::string_view ip, std::string_view pcname);

// The key as look-ups compare it: MACs as reports compare them, ASCII case
// ignored.
std::string PcKeyForLookup(std::string_view key);

}  // namespace vantrel::inventory
