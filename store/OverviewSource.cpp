#include "OverviewSource.h"

#include <array>
#include <cstdint>
#include <string>

#include "InventoryDatabase.h"
#include "IpAsset.h"
#include "IpColumns.h"
#include "PcKey.h"
#include "PcRecord.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace {
constexpr int kColumns = static_cast<int>(inventory::kPcFactColumns.size());

std::string ReadSql() {
    std::string sql = "SELECT ";
    for (const inventory::PcFactColumn& column : inventory::kPcFactColumns) {
        sql += sql.size() > 7 ? ", " : "";
        sql += protocol::ColumnOf(column.column).name;
    }
    return sql + " FROM ip";
}

inventory::HardwareIndex ReadHardware(sqlite3* db) {
    inventory::HardwareIndex hardware;
    if (PcRecord::HasTable(db, "ip_device")) {
        SqliteStatement read(db, "SELECT mac, maker, model FROM ip_device");
        while (read.Step()) {
            inventory::PcHardware& pc = hardware[inventory::PcKeyForLookup(read.Bytes(0))];
            pc.maker = read.Bytes(1);
            pc.model = read.Bytes(2);
        }
    }
    if (PcRecord::HasTable(db, "ip_monitor")) {
        SqliteStatement read(db,
                             "SELECT mac, count(*) FROM ip_monitor WHERE connected <> 0 "
                             "GROUP BY mac");
        while (read.Step()) {
            hardware[inventory::PcKeyForLookup(read.Bytes(0))].monitors +=
                static_cast<std::size_t>(read.Int64(1));
        }
    }
    return hardware;
}
}  // namespace

std::unique_ptr<OverviewInput> ReadOverviewInput(InventoryDatabase& connection) {
    auto input = std::make_unique<OverviewInput>();
    // Offsets while reading: the text grows, so views are made after.
    std::vector<std::array<std::uint64_t, kColumns + 1>> ends;
    {
        auto guard = connection.Lock();
        sqlite3* db = connection.Handle();
        SqliteStatement read(db, ReadSql());
        while (read.Step()) {
            std::array<std::uint64_t, kColumns + 1> row{};
            row[0] = input->text.size();
            for (int c = 0; c < kColumns; ++c) {
                input->text.append(read.Bytes(c));
                row[static_cast<std::size_t>(c) + 1] = input->text.size();
            }
            ends.push_back(row);
        }
        input->seen = IpSeen::ReadAll(db);
        input->hardware = ReadHardware(db);
        input->assets = IpAsset::ReadIndex(db);
    }
    const std::string_view text = input->text;
    input->rows.reserve(ends.size());
    for (const auto& row : ends) {
        inventory::PcFacts& pc = input->rows.emplace_back();
        for (std::size_t c = 0; c < inventory::kPcFactColumns.size(); ++c) {
            pc.*inventory::kPcFactColumns[c].field = text.substr(row[c], row[c + 1] - row[c]);
        }
    }
    return input;
}

}  // namespace vantrel::store
