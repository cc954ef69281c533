#pragma once
// When each PC was last seen, kept in table ip_seen: the sweep records the
// node-status answers it receives, the report writer the time of each
// report, each under its key (LastSeen.h).

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "LastSeen.h"

struct sqlite3;

namespace vantrel::store {

class InventoryDatabase;
class SqliteStatement;

// One node-status answer of a sweep. Texts are GBK; the MAC as the online
// list shows it ("00.1A.2B.3C.4D.5E").
struct Sighting {
    std::string mac;
    std::string address;
    std::string name;
    std::string time;       // received, "YYYY-MM-DD HH:MM:SS" local time
    std::string sweepTime;  // when its sweep began, the same way
};

class IpSeen {
  public:
    explicit IpSeen(InventoryDatabase& connection);

    // Records the answers in one transaction; a later answer of the same
    // key overwrites the earlier one. Nothing happens when the file has no
    // ip_seen (it cannot be written). Throws StoreError when the write
    // fails; nothing of the batch is kept then. Takes the connection's lock.
    void RecordSightings(const std::vector<Sighting>& sightings);

    // The record of one inventory row (see SeenOfRow); nullopt also when
    // the store is closed or has no ip_seen. Takes the connection's lock.
    std::optional<inventory::SeenRecord> Of(std::string_view mac, std::string_view ip) const;

    // Every record; empty when the file has no ip_seen. Throws StoreError
    // when the read fails. The caller holds the connection's lock.
    static inventory::SeenIndex ReadAll(sqlite3* db);

    // Adds table ip_seen to a file that lacks it, as IpHistory does for
    // its table. The caller holds the connection's lock.
    static void AddTableIfMissing(sqlite3* db, const std::string& path);
    static bool TableExists(sqlite3* db);

  private:
    InventoryDatabase& connection_;
};

// Records reports in ip_seen inside the report writer's transaction. Made
// with the report writer's statements, under the connection's lock.
class ReportSeenWriter {
  public:
    explicit ReportSeenWriter(sqlite3* db);
    ~ReportSeenWriter();
    ReportSeenWriter(const ReportSeenWriter&) = delete;
    ReportSeenWriter& operator=(const ReportSeenWriter&) = delete;

    // A report of `mac` from `address` at `time`. Does nothing when the
    // file has no ip_seen; throws StoreError when the statement fails.
    void Record(std::string_view mac, std::string_view address, std::string_view time);

  private:
    sqlite3* db_;
    std::unique_ptr<SqliteStatement> upsert_;
    bool checked_ = false;
};

}  // namespace vantrel::store
