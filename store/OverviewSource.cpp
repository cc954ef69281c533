#include "OverviewSource.h"

#include <array>
#include <cstdint>

#include "InventoryDatabase.h"
#include "SqliteStatement.h"

namespace vantrel::store {

namespace {
constexpr int kColumns = 8;
constexpr char kReadSql[] = "SELECT bm, os, pctype, rammax, cpu, mac, ip, djsj FROM ip";
}  // namespace

std::unique_ptr<OverviewInput> ReadOverviewInput(InventoryDatabase& connection) {
    auto input = std::make_unique<OverviewInput>();
    // Offsets while reading: the text grows, so views are made after.
    std::vector<std::array<std::uint64_t, kColumns + 1>> ends;
    {
        auto guard = connection.Lock();
        sqlite3* db = connection.Handle();
        SqliteStatement read(db, kReadSql);
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
    }
    const std::string_view text = input->text;
    input->rows.reserve(ends.size());
    for (const auto& row : ends) {
        auto cell = [&](std::size_t c) { return text.substr(row[c], row[c + 1] - row[c]); };
        input->rows.push_back(
            {cell(0), cell(1), cell(2), cell(3), cell(4), cell(5), cell(6), cell(7)});
    }
    return input;
}

}  // namespace vantrel::store
