#include "PcRecord.h"

#include <sqlite3.h>

#include "InventoryDatabase.h"
#include "IpHistory.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace {

constexpr std::string_view kNoMacPrefix = "no-mac\t";

std::string RowSql(std::string_view where) {
    std::string sql = "SELECT rowid";
    for (const protocol::IpColumn& column : protocol::kIpColumns) {
        sql += ", ";
        sql += column.name;
    }
    sql += " FROM ip WHERE ";
    sql += where;
    return sql + " ORDER BY rowid LIMIT 1";
}

std::optional<PcRow> ReadRow(SqliteStatement& read) {
    if (!read.Step()) {
        return std::nullopt;
    }
    PcRow row;
    row.rowid = read.Int64(0);
    for (std::size_t c = 0; c < protocol::kIpColumnCount; ++c) {
        const int column = static_cast<int>(c) + 1;
        if (!read.IsNull(column)) {
            row.values[c] = std::string(read.Bytes(column));
        }
    }
    return row;
}

std::string Text(const SqliteStatement& read, int column) {
    return std::string(read.Bytes(column));
}

}  // namespace

std::string PcRow::Key() const {
    return HistoryKey(Text(protocol::IpColumnId::mac), Text(protocol::IpColumnId::ip),
                      Text(protocol::IpColumnId::pcname));
}

bool PcRecord::HasTable(sqlite3* db, std::string_view table) {
    SqliteStatement find(db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    find.BindText(1, table);
    return find.Step();
}

std::optional<PcRow> PcRecord::RowOf(std::string_view key) const {
    auto guard = connection_.Lock();
    if (!connection_.Connected() || key.empty()) {
        return std::nullopt;
    }
    sqlite3* db = connection_.Handle();
    if (key.starts_with(kNoMacPrefix)) {
        // "no-mac", the address and the PC name, as HistoryKey joins them.
        const std::string_view rest = key.substr(kNoMacPrefix.size());
        const std::size_t tab = rest.find('\t');
        if (tab == std::string_view::npos) {
            return std::nullopt;
        }
        SqliteStatement read(db, RowSql("IFNULL(mac, '') = '' AND IFNULL(ip, '') = ?1 AND "
                                        "IFNULL(pcname, '') = ?2"));
        read.BindText(1, rest.substr(0, tab));
        read.BindText(2, rest.substr(tab + 1));
        return ReadRow(read);
    }
    SqliteStatement read(db, RowSql("mac = ?1 COLLATE NOCASE"));
    read.BindText(1, key);
    return ReadRow(read);
}

std::optional<PcRow> PcRecord::RowOf(std::int64_t rowid) const {
    auto guard = connection_.Lock();
    if (!connection_.Connected()) {
        return std::nullopt;
    }
    SqliteStatement read(connection_.Handle(), RowSql("rowid = ?1"));
    read.BindInt64(1, rowid);
    return ReadRow(read);
}

std::optional<PcDevice> PcRecord::DeviceOf(std::string_view key) const {
    auto guard = connection_.Lock();
    if (!connection_.Connected() || !HasTable(connection_.Handle(), "ip_device")) {
        return std::nullopt;
    }
    SqliteStatement read(connection_.Handle(),
                         "SELECT maker, model, serial, boardserial, chassisserial, assettag, "
                         "uuid, reporttime FROM ip_device WHERE mac = ?1 COLLATE NOCASE");
    read.BindText(1, key);
    if (!read.Step()) {
        return std::nullopt;
    }
    return PcDevice{Text(read, 0), Text(read, 1), Text(read, 2), Text(read, 3),
                    Text(read, 4), Text(read, 5), Text(read, 6), Text(read, 7)};
}

std::vector<PcMonitor> PcRecord::MonitorsOf(std::string_view key) const {
    std::vector<PcMonitor> monitors;
    auto guard = connection_.Lock();
    if (!connection_.Connected() || !HasTable(connection_.Handle(), "ip_monitor")) {
        return monitors;
    }
    SqliteStatement read(connection_.Handle(),
                         "SELECT id, edid, pnp, product, serialnumber, serialtext, modelname, "
                         "firstseen, lastseen, connected FROM ip_monitor WHERE mac = ?1 "
                         "COLLATE NOCASE ORDER BY IFNULL(connected, 0) <> 0 DESC, "
                         "lastseen DESC, id");
    read.BindText(1, key);
    while (read.Step()) {
        PcMonitor& monitor = monitors.emplace_back();
        monitor.id = read.Int64(0);
        monitor.edid = Text(read, 1);
        monitor.pnp = Text(read, 2);
        monitor.product = read.Int64(3);
        monitor.serialNumber = Text(read, 4);
        monitor.serialText = Text(read, 5);
        monitor.modelName = Text(read, 6);
        monitor.firstSeen = Text(read, 7);
        monitor.lastSeen = Text(read, 8);
        monitor.connected = read.Int64(9) != 0;
    }
    return monitors;
}

std::vector<std::string> PcRecord::MacsOf(std::string_view key) const {
    std::vector<std::string> macs;
    auto guard = connection_.Lock();
    if (!connection_.Connected() || !HasTable(connection_.Handle(), "ip_knownmac")) {
        return macs;
    }
    SqliteStatement read(connection_.Handle(),
                         "SELECT othermac FROM ip_knownmac WHERE mac = ?1 COLLATE NOCASE "
                         "ORDER BY othermac");
    read.BindText(1, key);
    while (read.Step()) {
        macs.push_back(Text(read, 0));
    }
    return macs;
}

}  // namespace vantrel::store
