#pragma once
// The kernel's neighbour (ARP) table, read from its text form
// (/proc/net/arp on Linux): the MAC a peer on the local link was seen with.

#include <string>
#include <string_view>

namespace vantrel::intake {

class NeighbourTable {
  public:
    explicit NeighbourTable(std::string path = "/proc/net/arp");

    // MAC of the first complete Ethernet entry for the dotted-decimal
    // `address`, as six uppercase hex pairs joined by ':'. "" when the
    // table has none (another subnet, loopback, an unresolved entry) or
    // cannot be read. The file is read anew on every call.
    std::string MacOf(std::string_view address) const;

  private:
    std::string path_;
};

}  // namespace vantrel::intake
