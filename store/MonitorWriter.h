#pragma once
// Keeps table ip_monitor up to date with the monitors a PC's reports list:
// a monitor seen for the first time gets a row, one no longer listed is
// marked as disconnected, one listed again as connected. Only what changed
// is written. A monitor is recognised by what its EDID says of it (maker,
// product, both serials, model name), a damaged EDID by its bytes.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "HardwareReport.h"
#include "StatementCache.h"

struct sqlite3;

namespace vantrel::store {

class MonitorWriter {
  public:
    // A PC keeps this many disconnected monitors, the most recently seen.
    static constexpr int kMaxDisconnected = 32;

    explicit MonitorWriter(StatementCache& statements) : statements_(statements) {}

    // Brings the monitors kept under `key` in line with `edids`. With
    // `recordHistory`, or when the PC already has monitors kept, each plug
    // and unplug becomes a change of "monitor" (no old value; the new value
    // names the monitor and ends in "接上" or "拔下"), added to `changes`.
    // `previousReport` tells, when asked, when the PC last reported before
    // this one: the last time a monitor no longer listed was seen. `time`
    // is now.
    void Write(std::string_view key, const std::vector<std::vector<std::uint8_t>>& edids,
               std::string_view time, const std::function<std::string()>& previousReport,
               bool recordHistory, std::vector<ReportChange>& changes);

    // How a monitor's EDID is named in the history: maker code, model
    // name (or product code), "序列号" and its serial where it gives one.
    static std::string Label(const std::vector<std::uint8_t>& edid);

  private:
    StatementCache& statements_;
};

}  // namespace vantrel::store
