#pragma once
// The administrator's asset record of each PC, kept in table ip_asset under
// the key the PC's history is kept under (HistoryKey). No report writes it:
// the PC's window, the batch of the grid and the spreadsheet import do.
// Every change of a field goes into ip_history under the same key, so that
// the PC's history shows who changed what when. An asset number names one
// PC at most.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "AssetFields.h"
#include "LocalClock.h"
#include "StoreError.h"

struct sqlite3;

namespace vantrel::store {

class InventoryDatabase;

// A value refused: a taken asset number (naming the PC that has it) or a
// value the field does not take. what() is GBK.
class AssetError : public StoreError {
  public:
    using StoreError::StoreError;
};

// For each field, the value to store; nullopt leaves the stored one.
using AssetChanges = std::array<std::optional<std::string>, inventory::kAssetFieldCount>;

class IpAsset {
  public:
    explicit IpAsset(InventoryDatabase& connection, system::LocalClock clock = {});

    // The record of the PC keyed `key`; DefaultAssetValues() when it has
    // none or the file has no ip_asset. Takes the connection's lock.
    // Throws StoreError when the store is closed or the read fails.
    inventory::AssetValues Of(std::string_view key) const;

    // Stores the record in one transaction with a history entry (address
    // 手工修改) for each field that changed. Values are checked and put in
    // their stored form first. Returns how many fields changed. Throws
    // AssetError for a refused value or a number another PC has, and
    // StoreError when the write fails; nothing is stored then.
    std::size_t Save(std::string_view key, const inventory::AssetValues& values);

    // Sets one field of many PCs in one transaction, with one history entry
    // for each PC whose value changed; returns how many changed. An asset
    // number other than "" cannot go to more than one PC. Throws as Save.
    std::size_t SetField(const std::vector<std::string>& keys, inventory::AssetField field,
                         std::string value);

    // The asset tag the PC's collector reported (ip_device), when it is not
    // a placeholder; "" when there is none or the file has no ip_device.
    // Takes the connection's lock.
    std::string ReportedAssetTag(std::string_view key) const;

    // Every record's status and warranty end; empty when the file has no
    // ip_asset. The caller holds the connection's lock.
    static inventory::AssetIndex ReadIndex(sqlite3* db);
    // The same, taking the connection's lock; empty when it is closed.
    inventory::AssetIndex Index() const;

    // WarrantyStartupLine of every record as of `clock`'s day; "" also when
    // the store cannot be read (the line is a reminder, never a failure).
    std::string WarrantyLine(const system::LocalClock& clock) const;

    // Adds table ip_asset and its indexes to a file that lacks them, as
    // IpHistory does for its table. The caller holds the connection's lock.
    static void AddTableIfMissing(sqlite3* db, const std::string& path);
    static bool TableExists(sqlite3* db);

    // Inside a transaction the caller holds: writes the changes of one PC
    // and their history entries with `address` and `time`; returns how
    // many fields changed. Values must be in their stored form. Throws
    // AssetError when the number is another PC's.
    static std::size_t Write(sqlite3* db, std::string_view key, const AssetChanges& changes,
                             std::string_view address, std::string_view time);
    // The stored record of `key`; nullopt when it has none. The caller
    // holds the connection's lock; the file has ip_asset.
    static std::optional<inventory::AssetValues> RecordOf(sqlite3* db, std::string_view key);
    // The history key of the PC whose record holds `assetNo`, other than
    // `exceptKey`; nullopt when none does.
    static std::optional<std::string> HolderOf(sqlite3* db, std::string_view assetNo,
                                               std::string_view exceptKey);
    // Refusal text for a number that `holderKey`'s PC has (GBK).
    static std::string TakenMessage(sqlite3* db, std::string_view assetNo,
                                    std::string_view holderKey);

    // The history's address of the window's and the batch's changes.
    static const std::string& ManualAddress();

  private:
    InventoryDatabase& connection_;
    system::LocalClock clock_;
};

}  // namespace vantrel::store
