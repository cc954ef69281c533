// 导出资产清单: the grid's rows as shown with each PC's asset fields, in an
// .xlsx file that the program's own spreadsheet reader reads back as
// written, titles mapped by the import.

#include <gtest/gtest.h>

#include <filesystem>

#include "AssetListCommand.h"
#include "AssetListExport.h"
#include "ColumnMapping.h"
#include "GbkConvert.h"
#include "InventoryFixture.h"
#include "SheetReader.h"

namespace vantrel::app::test {
namespace {

exporter::TextTable ReadBack(const std::string& path) {
    exporter::TextTable rows;
    const std::unique_ptr<import::SheetReader> sheet = import::OpenSheet(path);
    std::vector<std::string> cells;
    while (sheet->NextRow(cells)) {
        rows.push_back(cells);
    }
    return rows;
}

// A row as the reader gives it: cells after the last filled one are left out.
std::vector<std::string> Trimmed(std::vector<std::string> row) {
    while (!row.empty() && row.back().empty()) {
        row.pop_back();
    }
    return row;
}

class AssetListTest : public InventoryFixture {};

TEST_F(AssetListTest, ButtonWritesRowsAsShownWithAssetFieldsThatReadBack) {
    MainWindow& form = OpenInventory();
    // d3 by another case; 0 07 and a price with its zeros stay as written.
    RunSql(
        options.databasePath,
        "create table if not exists ip_asset (mac text primary key collate nocase, assetno text, "
        "status text, location text, purchasedate text, supplier text, price text, "
        "warrantyend text, remark text);"
        "insert into ip_asset values ('D3', '007', cast(x'd4dad3c3' as text), "
        "cast(x'c8fdc2a5' as text), '2023-05-01', 'ACME', '4999.50', '2026-05-01', "
        "'a \"quoted\" remark');");
    dialogs.saveAnswer = SaveDialogAnswer{Path("assets"), 1};
    Click(Control<QPushButton>(form, "assetListButton"));
    const std::string path = Path("assets.xlsx");
    ASSERT_TRUE(dialogs.errors.empty()) << dialogs.errors[0];
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    ASSERT_TRUE(std::filesystem::exists(path));

    const exporter::TextTable rows = ReadBack(path);
    const exporter::TextTable expected =
        AssetListRows(Tab().Dataset(), program->Startup().Database());
    ASSERT_EQ(rows.size(), 5u);
    ASSERT_EQ(expected.size(), 5u);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(Trimmed(rows[r]), Trimmed(expected[r])) << r;
    }
    // 25 titles, the last eight the asset fields; the grid's 17 map back.
    ASSERT_EQ(rows[0].size(), 25u);
    EXPECT_EQ(rows[0][17], text::Utf8ToGbk("资产编号"));
    EXPECT_EQ(rows[0][24], text::Utf8ToGbk("资产备注"));
    for (std::size_t c = 0; c < 17; ++c) {
        EXPECT_TRUE(import::ColumnOfTitle(rows[0][c]).has_value()) << c;
    }
    // Rows in the grid's order: d1, d2, d3 (with its record), d4 (none).
    EXPECT_EQ(rows[3][3], "d3");
    const std::vector<std::string> asset(rows[3].begin() + 17, rows[3].end());
    EXPECT_EQ(asset,
              (std::vector<std::string>{"007", "\xd4\xda\xd3\xc3", "\xc8\xfd\xc2\xa5", "2023-05-01",
                                        "ACME", "4999.50", "2026-05-01", "a \"quoted\" remark"}));
    EXPECT_EQ(Trimmed(rows[4]).size(), 14u) << "d4 has no asset fields";
    EXPECT_EQ(rows[4][0], kFinance);
}

TEST_F(AssetListTest, FileWithoutTheTableGivesEmptyFieldsAndCancelWritesNothing) {
    MainWindow& form = OpenInventory();
    const exporter::TextTable rows = AssetListRows(Tab().Dataset(), program->Startup().Database());
    ASSERT_EQ(rows.size(), 5u);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 25u);
        for (std::size_t c = 17; c < 25; ++c) {
            EXPECT_EQ(rows[r][c], "");
        }
    }
    dialogs.saveAnswer.reset();
    Click(Control<QPushButton>(form, "assetListButton"));
    EXPECT_TRUE(dialogs.informations.empty());
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST(AssetListExportTest, FailedWriteLeavesTheFileAsItWas) {
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("none/list.xlsx")).toStdString();
    EXPECT_ANY_THROW(exporter::WriteAssetList(path, {{"a"}}));
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace vantrel::app::test
