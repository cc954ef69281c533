// What this program's own exports write comes back with no mapping to
// change: equal cells in an empty inventory, and nothing changed by a
// second import of the same file.

#include <gtest/gtest.h>

#include "ColumnTitles.h"
#include "ExportGridToFile.h"
#include "FakeGrid.h"
#include "ImportFixture.h"
#include "IpColumns.h"

namespace vantrel::import::testing {
namespace {

std::string AllColumns() {
    std::string list;
    for (const protocol::IpColumn& column : protocol::kIpColumns) {
        list += list.empty() ? "" : ",";
        list += column.name;
    }
    return list;
}

// Rows in the order of the seventeen columns.
std::vector<Cells> Inventory() {
    return {
        {G("财务-01"), G("张三"), "00-1A-2B-3C-4D-5E", "127.0.0.5", "Intel(R) Core(TM) i5-8500",
         "H310M", "Windows 10", G("台式机"), "8192MB", "7000MB", "BIOS 1.2", G("财务部"), "8659",
         G("说 \"引号\"; 分号, 逗号 & <b>"), "ST1000 1000GB", "UHD 630", "2024-01-02 03:04:05"},
        {G("行政-02"), G("李四"), "00-1a-2b-3c-4d-6f", std::nullopt, std::nullopt, std::nullopt,
         std::nullopt, G("笔记本"), std::nullopt, std::nullopt, std::nullopt, G("行政部"), "0123",
         std::nullopt, std::nullopt, std::nullopt, "2025-06-30 23:59:59"},
        // No MAC: registered by its PC name.
        {G("前台"), std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
         std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
         std::nullopt, G("表格里录入"), std::nullopt, std::nullopt, "2023-01-01 08:00:00"},
    };
}

TEST_F(ImportFixture, EveryOwnExportFormatRoundTrips) {
    exporter::test::FakeGrid grid;
    for (const protocol::IpColumn& column : protocol::kIpColumns) {
        grid.AddColumn(
            std::string(inventory::GridTitleOf(column.name)), 80,
            column.name == "djsj" ? exporter::FieldKind::DateTime : exporter::FieldKind::Text);
    }
    for (const Cells& row : Inventory()) {
        grid.rows.push_back(row);
    }
    const std::pair<exporter::WriterKind, const char*> formats[] = {
        {exporter::WriterKind::Xls, "list.xls"},
        {exporter::WriterKind::Text, "list.txt"},
        {exporter::WriterKind::Csv, "list.csv"},
        {exporter::WriterKind::Html, "list.htm"},
    };
    for (const auto& [kind, name] : formats) {
        SCOPED_TRACE(name);
        Exec("delete from ip; delete from ip_history");
        const std::string path = dir_ + "/" + name;
        exporter::ExportGridToFile(kind, grid, path, true);

        const SheetPreview preview = ReadPreview(path);
        for (std::size_t i = 0; i < protocol::kIpColumns.size(); ++i) {
            EXPECT_EQ(preview.mapping.at(i), i) << i;
        }
        const ImportCounts first = Import(path);
        EXPECT_EQ(first.added, 3u);
        EXPECT_EQ(first.problems, 0u);
        // New rows get their MACs as reports write them.
        std::vector<Cells> imported = Inventory();
        imported[0][2] = "00:1A:2B:3C:4D:5E";
        imported[1][2] = "00:1A:2B:3C:4D:6F";
        EXPECT_EQ(Query("select " + AllColumns() + " from ip order by rowid"), imported);

        const ImportCounts again = Import(path);
        EXPECT_EQ(again.added + again.updated, 0u);
        EXPECT_EQ(again.unchanged, 3u);
        EXPECT_TRUE(Query("select * from ip_history").empty());
    }
}

}  // namespace
}  // namespace vantrel::import::testing
