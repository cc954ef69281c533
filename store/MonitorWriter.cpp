#include "MonitorWriter.h"

#include <cstdio>

#include "Edid.h"
#include "GbkLiteral.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace {

struct StoredMonitor {
    std::int64_t id = 0;
    std::string identity;
    bool connected = false;
    bool used = false;  // matched to a reported monitor
    std::vector<std::uint8_t> edid;
};

std::vector<std::uint8_t> BytesOf(std::string_view text) {
    return {text.begin(), text.end()};
}

// What recognises a monitor: what a sound EDID says of it, or the bytes
// of a damaged one.
std::string IdentityOf(const std::vector<std::uint8_t>& edid) {
    const inventory::EdidInfo info = inventory::DecodeEdid(edid);
    if (!info.valid) {
        return "bytes\t" + std::string(edid.begin(), edid.end());
    }
    return "edid\t" + info.pnpCode + '\t' + std::to_string(info.productCode) + '\t' +
           std::to_string(info.serialNumber) + '\t' + info.serialText + '\t' + info.modelName;
}

// The decoded columns of a row: pnp, product, serialnumber, serialtext,
// modelname, bound from `first` on.
void BindDecoded(SqliteStatement& statement, int first, const std::vector<std::uint8_t>& edid) {
    const inventory::EdidInfo info = inventory::DecodeEdid(edid);
    statement.BindText(first, info.pnpCode);
    statement.BindInt64(first + 1, info.productCode);
    statement.BindText(first + 2, info.serialNumber != 0 ? std::to_string(info.serialNumber) : "");
    statement.BindText(first + 3, info.serialText);
    statement.BindText(first + 4, info.modelName);
}

std::string_view AsText(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

std::string MonitorWriter::Label(const std::vector<std::uint8_t>& edid) {
    const inventory::EdidInfo info = inventory::DecodeEdid(edid);
    if (!info.valid) {
        return u8"无法识别的 EDID（"_gbk + std::to_string(edid.size()) + u8" 字节）"_gbk;
    }
    std::string label = info.pnpCode.empty() ? "?" : info.pnpCode;
    if (!info.modelName.empty()) {
        label += ' ' + info.modelName;
    } else {
        char product[16];
        std::snprintf(product, sizeof product, " %04X", info.productCode);
        label += product;
    }
    const std::string serial = !info.serialText.empty() ? info.serialText
                               : info.serialNumber != 0 ? std::to_string(info.serialNumber)
                                                        : std::string();
    if (!serial.empty()) {
        label += u8" 序列号 "_gbk + serial;
    }
    return label;
}

void MonitorWriter::Write(std::string_view key, const std::vector<std::vector<std::uint8_t>>& edids,
                          std::string_view time, const std::function<std::string()>& previousReport,
                          bool recordHistory, std::vector<ReportChange>& changes) {
    std::vector<StoredMonitor> stored;
    {
        SqliteStatement& read =
            statements_.Get("SELECT id, edid, connected FROM ip_monitor WHERE mac = ?1");
        const SqliteStatement::ResetOnExit reset(read);
        read.BindText(1, key);
        while (read.Step()) {
            StoredMonitor& monitor = stored.emplace_back();
            monitor.id = read.Int64(0);
            monitor.edid = BytesOf(read.Bytes(1));
            monitor.identity = IdentityOf(monitor.edid);
            monitor.connected = read.Int64(2) != 0;
        }
    }
    recordHistory = recordHistory || !stored.empty();
    auto record = [&](const std::vector<std::uint8_t>& edid, const std::string& event) {
        if (recordHistory) {
            changes.push_back({"monitor", std::nullopt, Label(edid) + ' ' + event});
        }
    };
    std::size_t disconnected = 0;  // rows kept as disconnected after this report
    for (const std::vector<std::uint8_t>& edid : edids) {
        const std::string identity = IdentityOf(edid);
        StoredMonitor* match = nullptr;
        // A connected row first: two alike monitors are two rows.
        for (bool connected : {true, false}) {
            for (StoredMonitor& monitor : stored) {
                if (match == nullptr && !monitor.used && monitor.connected == connected &&
                    monitor.identity == identity) {
                    match = &monitor;
                }
            }
        }
        if (match == nullptr) {
            SqliteStatement& add = statements_.Get(
                "INSERT INTO ip_monitor (mac, edid, pnp, product, serialnumber, "
                "serialtext, modelname, firstseen, lastseen, connected) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?8, 1)");
            const SqliteStatement::ResetOnExit addReset(add);
            add.BindText(1, key);
            add.BindBytes(2, AsText(edid));
            BindDecoded(add, 3, edid);
            add.BindText(8, time);
            add.Step();
            record(edid, u8"接上"_gbk);
            continue;
        }
        match->used = true;
        if (match->connected && match->edid == edid) {
            continue;  // as it was: nothing to write
        }
        SqliteStatement& update = statements_.Get(
            "UPDATE ip_monitor SET edid = ?1, pnp = ?2, product = ?3, "
            "serialnumber = ?4, serialtext = ?5, modelname = ?6, "
            "lastseen = ?7, connected = 1 WHERE id = ?8");
        const SqliteStatement::ResetOnExit updateReset(update);
        update.BindBytes(1, AsText(edid));
        BindDecoded(update, 2, edid);
        update.BindText(7, time);
        update.BindInt64(8, match->id);
        update.Step();
        if (!match->connected) {
            record(edid, u8"接上"_gbk);
        }
    }
    std::optional<std::string> lastReport;
    for (const StoredMonitor& monitor : stored) {
        if (!monitor.used) {
            ++disconnected;
        }
        if (monitor.used || !monitor.connected) {
            continue;
        }
        if (!lastReport) {
            lastReport = previousReport();
        }
        SqliteStatement& unplug =
            statements_.Get("UPDATE ip_monitor SET connected = 0, lastseen = ?1 WHERE id = ?2");
        const SqliteStatement::ResetOnExit unplugReset(unplug);
        unplug.BindText(1, lastReport->empty() ? time : std::string_view(*lastReport));
        unplug.BindInt64(2, monitor.id);
        unplug.Step();
        record(monitor.edid, u8"拔下"_gbk);
    }
    // Only when there are more than the bound: the usual report runs no
    // statement for it.
    if (disconnected > static_cast<std::size_t>(kMaxDisconnected)) {
        SqliteStatement& bound = statements_.Get(
            "DELETE FROM ip_monitor WHERE mac = ?1 AND connected = 0 AND id NOT "
            "IN (SELECT id FROM ip_monitor WHERE mac = ?1 AND connected = 0 "
            "ORDER BY lastseen DESC, id DESC LIMIT ?2)");
        const SqliteStatement::ResetOnExit boundReset(bound);
        bound.BindText(1, key);
        bound.BindInt64(2, kMaxDisconnected);
        bound.Step();
    }
}

}  // namespace vantrel::store
