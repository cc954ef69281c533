#pragma once
// The administrator's asset record of every PC (table ip_asset) as it is
// at one moment, for what prints or exports it beside the grid's rows:
// labels and the asset list. Only reads; a file without the table has no
// records, so every PC's fields are empty.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "AssetFields.h"

namespace vantrel::store {

class InventoryDatabase;

class AssetSnapshot {
  public:
    // Reads every row of ip_asset under the connection's lock. Empty when
    // the store is closed or the file has no ip_asset. Throws StoreError
    // when the read fails.
    static AssetSnapshot Read(InventoryDatabase& connection);

    // The fields of the PC kept under `key` (HistoryKey of its row, matched
    // ignoring ASCII case as the table's key is), by inventory::AssetField,
    // GBK, null read as ""; all empty when it has no record.
    const inventory::AssetValues& Of(std::string_view key) const;
    std::size_t Size() const { return records_.size(); }

  private:
    std::unordered_map<std::string, inventory::AssetValues> records_;
};

}  // namespace vantrel::store
