#pragma once
// What the store knows of one PC, read for its window: its row of table ip,
// its identity values (ip_device), its monitors (ip_monitor) and the MACs
// it is known by (ip_knownmac), all under the PC's history key. A file that
// lacks one of these tables gives an empty result for it. Each read takes
// the connection's lock; texts are GBK as stored.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "IpColumns.h"
#include "StoreTypes.h"

struct sqlite3;

namespace vantrel::store {

class InventoryDatabase;

// One row of table ip, its values in the table's column order.
struct PcRow {
    std::int64_t rowid = 0;
    std::array<FieldValue, protocol::kIpColumnCount> values;

    std::string Text(protocol::IpColumnId column) const {
        return values[protocol::IndexOf(column)].value_or(std::string());
    }
    // The key its history and the other tables are kept under.
    std::string Key() const;
};

// The identity values a collector sent; placeholders are stored empty.
struct PcDevice {
    std::string maker;
    std::string model;
    std::string serial;
    std::string boardSerial;
    std::string chassisSerial;
    std::string assetTag;
    std::string uuid;
    std::string reportTime;
};

struct PcMonitor {
    std::int64_t id = 0;
    std::string edid;  // the raw bytes as sent
    std::string pnp;
    std::int64_t product = 0;
    std::string serialNumber;  // the numeric serial as text; "" when none
    std::string serialText;
    std::string modelName;
    std::string firstSeen;
    std::string lastSeen;
    bool connected = false;
};

class PcRecord {
  public:
    explicit PcRecord(InventoryDatabase& connection) : connection_(connection) {}

    // The row whose history key is `key` (a MAC compared as reports compare
    // them, or a no-mac key: the MAC-less row of that address and PC name);
    // the first such row when there are several. Nullopt when none, or the
    // store is closed.
    std::optional<PcRow> RowOf(std::string_view key) const;
    std::optional<PcRow> RowOf(std::int64_t rowid) const;

    std::optional<PcDevice> DeviceOf(std::string_view key) const;
    // Connected ones first, then the most recently reported.
    std::vector<PcMonitor> MonitorsOf(std::string_view key) const;
    // The MACs the PC is known by (its own among them), sorted.
    std::vector<std::string> MacsOf(std::string_view key) const;

    // Whether the open file has `table`. The caller holds the lock.
    static bool HasTable(sqlite3* db, std::string_view table);

  private:
    InventoryDatabase& connection_;
};

}  // namespace vantrel::store
