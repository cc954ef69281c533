#pragma once
// What the overview counts, read from the store in one go: the columns of
// table ip it needs, every record of ip_seen, and the PCs' makers, models
// and connected monitors. Read off the main thread;
// the connection's lock is held only while reading.

#include <memory>
#include <string>
#include <vector>

#include "InventoryOverview.h"
#include "IpSeen.h"

namespace vantrel::store {

class InventoryDatabase;

struct OverviewInput {
    OverviewInput() = default;
    OverviewInput(const OverviewInput&) = delete;
    OverviewInput& operator=(const OverviewInput&) = delete;

    std::vector<inventory::PcFacts> rows;  // views into text
    inventory::SeenIndex seen;
    inventory::HardwareIndex hardware;
    inventory::AssetIndex assets;
    std::string text;
};

// Throws StoreError when the store is closed or the read fails. A file
// without ip_device or ip_monitor gives no hardware.
std::unique_ptr<OverviewInput> ReadOverviewInput(InventoryDatabase& connection);

}  // namespace vantrel::store
