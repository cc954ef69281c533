#pragma once
// The licences bought (table ip_licence): a program's name as the
// administrator types it, or a pattern with "*" standing for any text
// ("Microsoft Office*"), since one suite shows under several names, and the
// number of seats. A program's licence is the one naming it exactly (ASCII
// case ignored), else the longest pattern that matches it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::store {

class InventoryDatabase;

struct Licence {
    std::int64_t id = 0;
    std::string pattern;  // GBK
    std::int64_t seats = 0;
    std::string note;  // GBK
};

// Whether `name` matches `pattern`: "*" (outside double-byte characters)
// stands for any text, everything else must match, ASCII letters without
// regard to case, double-byte characters whole.
bool PatternMatches(std::string_view pattern, std::string_view name);

// The licence of `name` among `licences`; nullptr when none applies.
const Licence* LicenceOf(const std::vector<Licence>& licences, std::string_view name);

class Licences {
  public:
    explicit Licences(InventoryDatabase& connection) : connection_(connection) {}

    // Every licence, by pattern. An empty list when the file lacks the table.
    std::vector<Licence> All() const;
    // Sets the seats of `pattern` (trimmed; must not be empty), adding the
    // licence when there is none; the note is kept unless given. Throws
    // StoreError when the pattern is empty, seats are negative or the
    // write fails.
    void SetSeats(std::string_view pattern, std::int64_t seats,
                  std::optional<std::string_view> note = std::nullopt);
    // Removes the licence of `pattern`; nothing when there is none.
    void Remove(std::string_view pattern);

  private:
    InventoryDatabase& connection_;
};

}  // namespace vantrel::store
