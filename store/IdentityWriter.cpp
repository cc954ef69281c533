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

IdentityWriter::IdentityWriter(sqlite3* db) : db_(db), monitors_(db) {}

void IdentityWriter::Write(std::string_view key, const ReportIdentity& identity,
                           std::string_view time, std::string_view seenKey, bool recordHistory,
                           std::vector<ReportChange>& changes) {
    if (!identity.Sent()) {
        return;
    }
    if (!present_) {
        present_ = HasTable(db_, "ip_device") && HasTable(db_, "ip_monitor") &&
                   HasTable(db_, "ip_knownmac");
    }
    if (!*present_) {
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
    if (!readDevice_) {
        readDevice_.emplace(db_,
                            "SELECT maker, model, serial, boardserial, chassisserial, assettag, "
                            "uuid FROM ip_device WHERE mac = ?1");
    }
    std::optional<DeviceIdentity> kept;
    {
        const SqliteStatement::ResetOnExit reset(*readDevice_);
        readDevice_->BindText(1, key);
        if (readDevice_->Step()) {
            kept.emplace();
            for (std::size_t i = 0; i < kDeviceColumns.size(); ++i) {
                (*kept).*kDeviceColumns[i].value =
                    std::string(readDevice_->Bytes(static_cast<int>(i)));
            }
        }
    }
    if (kept == device) {
        return true;
    }
    SqliteStatement write(db_,
                          "INSERT INTO ip_device (mac, maker, model, serial, boardserial, "
                          "chassisserial, assettag, uuid, reporttime) "
                          "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9) "
                          "ON CONFLICT (mac) DO UPDATE SET maker = excluded.maker, "
                          "model = excluded.model, serial = excluded.serial, "
                          "boardserial = excluded.boardserial, "
                          "chassisserial = excluded.chassisserial, "
                          "assettag = excluded.assettag, uuid = excluded.uuid, "
                          "reporttime = excluded.reporttime");
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
    if (!readMacs_) {
        readMacs_.emplace(db_, "SELECT othermac FROM ip_knownmac WHERE mac = ?1");
    }
    std::vector<std::string> kept;
    {
        const SqliteStatement::ResetOnExit reset(*readMacs_);
        readMacs_->BindText(1, key);
        while (readMacs_->Step()) {
            kept.push_back(text::AsciiUpper(readMacs_->Bytes(0)));
        }
    }
    for (const std::string& mac : macs) {
        if (std::find(kept.begin(), kept.end(), text::AsciiUpper(mac)) != kept.end()) {
            continue;
        }
        // A card that moved from another PC is this one's now.
        SqliteStatement add(db_,
                            "INSERT INTO ip_knownmac (othermac, mac) VALUES (?1, ?2) "
                            "ON CONFLICT (othermac) DO UPDATE SET mac = excluded.mac");
        add.BindText(1, mac);
        add.BindText(2, key);
        add.Step();
    }
}

std::string IdentityWriter::PreviousReport(std::string_view seenKey) {
    if (seenKey.empty() || !IpSeen::TableExists(db_)) {
        return {};
    }
    SqliteStatement read(db_, "SELECT reporttime FROM ip_seen WHERE seenkey = ?1");
    read.BindText(1, seenKey);
    return read.Step() ? std::string(read.Bytes(0)) : std::string();
}

}  // namespace vantrel::store
