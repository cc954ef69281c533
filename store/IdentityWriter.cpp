#include "IdentityWriter.h"

#include <algorithm>
#include <array>

#include "Gbk.h"
#include "IdentityTables.h"
#include "IpSeen.h"

namespace vantrel::store {

namespace {

struct DeviceColumn {
    std::string_view column;  // of ip_device, and the history's field name
    std::string DeviceIdentity::*value;
};

constexpr std::array<DeviceColumn, 7> kDeviceColumns{{
    {"maker", &DeviceIdentity::maker},
    {"model", &DeviceIdentity::model},
    {"serial", &DeviceIdentity::serial},
    {"boardserial", &DeviceIdentity::boardSerial},
    {"chassisserial", &DeviceIdentity::chassisSerial},
    {"assettag", &DeviceIdentity::assetTag},
    {"uuid", &DeviceIdentity::uuid},
}};

}  // namespace

IdentityWriter::IdentityWriter(StatementCache& statements)
    : statements_(statements), monitors_(statements) {}

void IdentityWriter::Write(std::string_view key, const ReportIdentity& identity,
                           std::string_view time, std::string_view seenKey, bool recordHistory,
                           std::vector<ReportChange>& changes) {
    if (!identity.Sent()) {
        return;
    }
    if (!statements_.Has("ip_device") || !statements_.Has("ip_monitor") ||
        !statements_.Has("ip_knownmac")) {
        return;
    }
    bool known = false;
    if (identity.device) {
        known = WriteDevice(key, *identity.device, time, recordHistory, changes);
    }
    if (identity.monitors) {
        monitors_.Write(
            key, *identity.monitors, time, [this, seenKey] { return PreviousReport(seenKey); },
            recordHistory && known, changes);
    }
    if (identity.macs) {
        WriteMacs(key, *identity.macs);
    }
}

bool IdentityWriter::WriteDevice(std::string_view key, const DeviceIdentity& device,
                                 std::string_view time, bool recordHistory,
                                 std::vector<ReportChange>& changes) {
    std::optional<DeviceIdentity> kept;
    {
        SqliteStatement& read = statements_.Get(
            "SELECT maker, model, serial, boardserial, chassisserial, assettag, uuid "
            "FROM ip_device WHERE mac = ?1");
        const SqliteStatement::ResetOnExit reset(read);
        read.BindText(1, key);
        if (read.Step()) {
            kept.emplace();
            for (std::size_t i = 0; i < kDeviceColumns.size(); ++i) {
                (*kept).*kDeviceColumns[i].value = std::string(read.Bytes(static_cast<int>(i)));
            }
        }
    }
    if (kept == device) {
        return true;
    }
    SqliteStatement& write = statements_.Get(
        "INSERT INTO ip_device (mac, maker, model, serial, boardserial, "
        "chassisserial, assettag, uuid, reporttime) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9) "
        "ON CONFLICT (mac) DO UPDATE SET maker = excluded.maker, "
        "model = excluded.model, serial = excluded.serial, "
        "boardserial = excluded.boardserial, "
        "chassisserial = excluded.chassisserial, "
        "assettag = excluded.assettag, uuid = excluded.uuid, "
        "reporttime = excluded.reporttime");
    const SqliteStatement::ResetOnExit writeReset(write);
    write.BindText(1, key);
    for (std::size_t i = 0; i < kDeviceColumns.size(); ++i) {
        write.BindText(static_cast<int>(i) + 2, device.*kDeviceColumns[i].value);
    }
    write.BindText(9, time);
    write.Step();
    if (kept && recordHistory) {
        for (const DeviceColumn& column : kDeviceColumns) {
            const std::string& before = (*kept).*column.value;
            const std::string& now = device.*column.value;
            if (before != now) {
                changes.push_back({column.column, before, now});
            }
        }
    }
    return kept.has_value();
}

void IdentityWriter::WriteMacs(std::string_view key, const std::vector<std::string>& macs) {
    if (macs.empty()) {
        return;
    }
    std::vector<std::string> kept;
    {
        SqliteStatement& read = statements_.Get("SELECT othermac FROM ip_knownmac WHERE mac = ?1");
        const SqliteStatement::ResetOnExit reset(read);
        read.BindText(1, key);
        while (read.Step()) {
            kept.push_back(text::AsciiUpper(read.Bytes(0)));
        }
    }
    for (const std::string& mac : macs) {
        if (std::find(kept.begin(), kept.end(), text::AsciiUpper(mac)) != kept.end()) {
            continue;
        }
        // A card that moved from another PC is this one's now.
        SqliteStatement& add = statements_.Get(
            "INSERT INTO ip_knownmac (othermac, mac) VALUES (?1, ?2) "
            "ON CONFLICT (othermac) DO UPDATE SET mac = excluded.mac");
        const SqliteStatement::ResetOnExit addReset(add);
        add.BindText(1, mac);
        add.BindText(2, key);
        add.Step();
    }
}

std::string IdentityWriter::PreviousReport(std::string_view seenKey) {
    if (seenKey.empty() || !statements_.Has("ip_seen")) {
        return {};
    }
    SqliteStatement& read = statements_.Get("SELECT reporttime FROM ip_seen WHERE seenkey = ?1");
    const SqliteStatement::ResetOnExit readReset(read);
    read.BindText(1, seenKey);
    return read.Step() ? std::string(read.Bytes(0)) : std::string();
}

}  // namespace vantrel::store
