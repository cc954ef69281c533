#pragma once
// Whether the inventory holds a MAC address, as a row's MAC in table ip or
// as one of a PC's known MACs in ip_knownmac (a card it listed, or the MAC its
// row held before it changed): MACs compare without regard to case, with
// ".", ":" and "-" alike. For the online list, which marks the hosts that
// have never reported.

#include <memory>
#include <string_view>

namespace vantrel::store {

class InventoryDatabase;

class MacLookup {
  public:
    explicit MacLookup(InventoryDatabase& connection);
    ~MacLookup();
    MacLookup(const MacLookup&) = delete;
    MacLookup& operator=(const MacLookup&) = delete;

    // One look-up in the mac index for the three separators, under the
    // connection's lock; the read ends before it returns, so that no
    // report's write waits on it. Throws StoreError when the connection is
    // closed or the table cannot be read. Must not be called from inside
    // ReportStore::Store's wait: it takes the connection's lock.
    bool Holds(std::string_view mac) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::store
