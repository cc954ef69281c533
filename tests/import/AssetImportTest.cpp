// The asset fields in a spreadsheet: titles and their synonyms, a
// workbook LibreOffice wrote, merged by MAC without clearing what the file
// leaves empty, bad dates and prices reported as bad cells are.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ColumnMapping.h"
#include "ImportFixture.h"
#include "IpAsset.h"

namespace vantrel::import::testing {
namespace {

using inventory::AssetField;

TEST(AssetMappingTest, TitlesAndSynonymsNameTheAssetFields) {
    const std::vector<std::pair<std::string, AssetField>> cases{
        {"资产编号", AssetField::assetno},
        {"资产号", AssetField::assetno},
        {"固定资产编号", AssetField::assetno},
        {"购置日期", AssetField::purchasedate},
        {"采购日期", AssetField::purchasedate},
        {"保修到期", AssetField::warrantyend},
        {"保修截止", AssetField::warrantyend},
        {"位置", AssetField::location},
        {"存放地点", AssetField::location},
        {"使用地点", AssetField::location},
        {"存放位置", AssetField::location},
        {"状态", AssetField::status},
        {"供应商", AssetField::supplier},
        {"价格", AssetField::price},
        {"金额", AssetField::price},
        {"资产备注", AssetField::remark},
        {" 资产 编号 ", AssetField::assetno},
    };
    for (const auto& [title, field] : cases) {
        const std::optional<std::size_t> mapped = ColumnOfTitle(G(title));
        ASSERT_TRUE(mapped) << title;
        EXPECT_EQ(AssetFieldOf(*mapped), field) << title;
    }
    // The table's own columns keep their titles; 备注 stays the row's remark.
    EXPECT_EQ(ColumnOfTitle(G("备注")), protocol::IpColumnIndex("bz"));
    EXPECT_EQ(ColumnOfTitle(G("MAC")), protocol::IpColumnIndex("mac"));
}

class AssetImportTest : public ImportFixture {
  protected:
    // The workbook is made once: LibreOffice takes seconds to start.
    static void SetUpTestSuite() {
        std::string pattern = (std::filesystem::temp_directory_path() / "assets-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        books_ = pattern;
        std::ofstream(books_ + "/ledger.csv")
            << "MAC,计算机名,固定资产编号,采购日期,保修截止,存放地点,状态,供应商,金额\n"
               "00:1A:2B:3C:4D:01,FIN-01,ZC-1,2024/3/5,2027-03-04,,维修,,4999.5\n"
               "00-1A-2B-3C-4D-02,FIN-02,ZC-2,,,三楼,,,\"1,200\"\n"
               "00:1A:2B:3C:4D:03,FIN-03,,2024-13-01,,,,,\n"
               "00:1A:2B:3C:4D:04,FIN-04,,,,,,,abc\n"
               "00:1A:2B:3C:4D:05,FIN-05,ZC-9,,,,,,\n";
        const std::string command = "cd " + books_ + " && HOME=" + books_ +
                                    " soffice -env:UserInstallation=file://" + books_ +
                                    "/profile --headless --infilter=CSV:44,34,76 --convert-to "
                                    "xlsx ledger.csv >/dev/null 2>&1";
        converted_ =
            std::system(command.c_str()) == 0 && std::filesystem::exists(books_ + "/ledger.xlsx");
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(books_); }

    void SetUp() override {
        ImportFixture::SetUp();
        Exec(
            "INSERT INTO ip (pcname, mac) VALUES ('FIN-01', '00:1a:2b:3c:4d:01'), "
            "('OLD-06', '00:1A:2B:3C:4D:06')");
        store::IpAsset assets(connection_);
        inventory::AssetValues values = inventory::DefaultAssetValues();
        values[inventory::IndexOf(AssetField::location)] = G("二楼");
        values[inventory::IndexOf(AssetField::supplier)] = G("联想");
        assets.Save("00:1a:2b:3c:4d:01", values);
        assets.SetField({"00:1A:2B:3C:4D:06"}, AssetField::assetno, "ZC-9");
    }

    static inline std::string books_;
    static inline bool converted_ = false;
};

TEST_F(AssetImportTest, ALibreOfficeLedgerMergesByMacAndKeepsWhatItLeavesEmpty) {
    if (!converted_) {
        GTEST_SKIP() << "LibreOffice could not write the workbook";
    }
    const std::string book = books_ + "/ledger.xlsx";
    const ImportCounts counted = Import(book, false);
    const ImportCounts written = Import(book, true);
    for (const ImportCounts* counts : {&counted, &written}) {
        EXPECT_EQ(counts->added, 1u);    // FIN-02
        EXPECT_EQ(counts->updated, 1u);  // FIN-01: only its asset record changes
        EXPECT_EQ(counts->problems, 3u);
    }
    ASSERT_EQ(written.listed.size(), 3u);
    EXPECT_NE(written.listed[0].reason.find("2024-13-01"), std::string::npos);
    EXPECT_NE(written.listed[1].reason.find("abc"), std::string::npos);
    EXPECT_NE(written.listed[2].reason.find("OLD-06"), std::string::npos);  // who has ZC-9

    // Under the MAC as each PC's row holds it.
    const std::vector<Cells> expected{
        {"00:1a:2b:3c:4d:01", "ZC-1", G("维修"), G("二楼"), "2024-03-05", G("联想"), "4999.50",
         "2027-03-04"},
        {"00:1A:2B:3C:4D:02", "ZC-2", G("在用"), G("三楼"), "", "", "1200.00", ""},
        {"00:1A:2B:3C:4D:06", "ZC-9", G("在用"), "", "", "", "", ""},
    };
    EXPECT_EQ(Query("SELECT mac, assetno, status, location, purchasedate, supplier, price, "
                    "warrantyend FROM ip_asset ORDER BY mac"),
              expected);
    EXPECT_EQ(Query("SELECT count(*) FROM ip_history WHERE address = '" +
                    HistoryAddress("ledger.xlsx") + "' AND mac = '00:1a:2b:3c:4d:01'"),
              (std::vector<Cells>{{"5"}}));
    EXPECT_EQ(Query("SELECT count(*) FROM ip WHERE pcname IN ('FIN-03', 'FIN-04', 'FIN-05')"),
              (std::vector<Cells>{{"0"}}));
    // The same file again changes nothing.
    EXPECT_EQ(Import(book).updated, 0u);
}

}  // namespace
}  // namespace vantrel::import::testing
