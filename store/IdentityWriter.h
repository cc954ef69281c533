#pragma once
// Stores what a report tells of its PC beside the sixteen values: the
// firmware values in ip_device, the monitors in ip_monitor (MonitorWriter)
// and the listed MACs in ip_knownmac, all under the PC's history key, inside the
// report's transaction. Only what differs from what is kept is written, so
// that the usual report, which changes nothing, writes nothing here. Used
// under the connection's lock, on the handle it was made for.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "HardwareReport.h"
#include "MonitorWriter.h"
#include "StatementCache.h"

struct sqlite3;

namespace vantrel::store {

class IdentityWriter {
  public:
    explicit IdentityWriter(StatementCache& statements);

    // Stores what `identity` sent under `key`; a part not sent is left as
    // it is. When the PC already had firmware values or monitors kept and
    // `recordHistory` is on, each changed value (maker, model, serial,
    // boardserial, chassisserial, assettag, uuid: old → new) and each
    // plugged or unplugged monitor is added to `changes` for the history.
    // `seenKey` is the PC's key in ip_seen, read before this report's own
    // time is recorded there. Does nothing when the file lacks the tables.
    void Write(std::string_view key, const ReportIdentity& identity, std::string_view time,
               std::string_view seenKey, bool recordHistory, std::vector<ReportChange>& changes);

  private:
    // Whether the device row existed before.
    bool WriteDevice(std::string_view key, const DeviceIdentity& device, std::string_view time,
                     bool recordHistory, std::vector<ReportChange>& changes);
    void WriteMacs(std::string_view key, const std::vector<std::string>& macs);
    std::string PreviousReport(std::string_view seenKey);

    StatementCache& statements_;
    MonitorWriter monitors_;
};

}  // namespace vantrel::store
