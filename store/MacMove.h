#pragma once
// A PC known by one MAC that reported under another: its row of ip takes
// the new MAC, and everything kept under the old key follows, inside the
// report's transaction so that a crash leaves the old state or the new
// one, whole.

#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace vantrel::store {

class MacMove {
  public:
    // Gives the rows of ip with history key `oldKey` (HistoryKey) the MAC
    // `newMac`; moves the rows of every keyed table (KeyedTables.h) the
    // file has from `oldKey` to `newMac`, and the old MAC's record of
    // ip_seen to the new MAC's (the newer sighting kept where both have
    // one); keeps the old MAC in ip_knownmac as one of the PC's. Runs inside
    // the caller's transaction; throws StoreError.
    static void Move(sqlite3* db, std::string_view oldKey, std::string_view newMac);

    // Whether a PC known by `oldMac` moved to `newMac`: the new MAC's PC
    // keeps the old one among its known MACs. The caller holds the
    // connection's lock.
    static bool Moved(sqlite3* db, std::string_view oldMac, std::string_view newMac);

    // The tables a move rewrites beside ip and ip_seen, as this file has
    // them.
    static std::vector<std::string> TablesMoved(sqlite3* db);
};

}  // namespace vantrel::store
