#pragma once
// Which hosts of the online list have a MAC the inventory does not know:
// PCs that have never sent a report. A MAC is known as a row's MAC in table
// ip or as one of a PC's known MACs (ip_knownmac), so that a sweep answer from a
// PC's other card, or from the card it reported with before, counts as that
// PC having reported. MACs compare without regard to case, with ".", ":"
// and "-" alike.

#include <cstddef>
#include <string>
#include <vector>

#include "MacLookup.h"

namespace vantrel::store {
class InventoryDatabase;
}  // namespace vantrel::store

namespace vantrel::app {

class ReportedMacs {
  public:
    explicit ReportedMacs(store::InventoryDatabase& connection) : lookup_(connection) {}

    // Whether the inventory knows `mac`. Throws StoreError when table ip
    // cannot be read.
    bool InTable(const std::string& mac) const { return lookup_.Holds(mac); }

    // Whether row `row` of the online list, showing `mac`, is a host whose
    // MAC the inventory does not know; false when the table cannot be read. The answer is
    // kept per row until the row's MAC changes or Refresh, so that drawing a
    // cell costs one comparison and each answer one look-up.
    bool IsUnreportedRow(std::size_t row, const std::string& mac) const;
    // Every row is looked up anew when next drawn: a report was stored.
    void Refresh() { ++generation_; }

  private:
    struct RowAnswer {
        std::string mac;
        unsigned generation = 0;
        bool unreported = false;
    };

    store::MacLookup lookup_;
    // 0 is never current.
    unsigned generation_ = 1;
    mutable std::vector<RowAnswer> rows_;
};

}  // namespace vantrel::app
