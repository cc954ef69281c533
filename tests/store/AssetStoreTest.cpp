// The asset record of a PC: one number per PC, every change in the history,
// a batch in one transaction, and the table added to older files.

#include <gtest/gtest.h>

#include "AssetSnapshot.h"
#include "GbkLiteral.h"
#include "IpAsset.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {
namespace {

using inventory::AssetField;
using inventory::IndexOf;

std::tm FixedNow() {
    std::tm now{};
    now.tm_year = 2026 - 1900;
    now.tm_mon = 11;
    now.tm_mday = 9;
    now.tm_hour = 10;
    return now;
}

class AssetStoreTest : public StoreFixture {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        Insert({{"pcname", "FIN-01"}, {"mac", "00:1A:2B:3C:4D:01"}});
        Insert({{"pcname", u8"财务二"_gbk}, {"mac", "00:1A:2B:3C:4D:02"}});
        OpenStore();
    }

    inventory::AssetValues Record(const std::string& number, const std::string& location = "") {
        inventory::AssetValues values = inventory::DefaultAssetValues();
        values[IndexOf(AssetField::assetno)] = number;
        values[IndexOf(AssetField::location)] = location;
        return values;
    }

    std::string RefusalOf(const std::function<void()>& write) {
        try {
            write();
        } catch (const AssetError& error) {
            return error.what();
        }
        return "";
    }

    IpAsset assets_{connection_, FixedNow};
    int begins_ = 0;
};

TEST_F(AssetStoreTest, AnAssetNumberNamesOnePcAndTheRefusalNamesTheHolder) {
    EXPECT_EQ(assets_.Save("00:1A:2B:3C:4D:02", Record("ZC-0007")), 1u);
    const std::string refusal =
        RefusalOf([&] { assets_.Save("00:1A:2B:3C:4D:01", Record("ZC-0007")); });
    EXPECT_NE(refusal.find(u8"财务二"_gbk), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("00:1A:2B:3C:4D:02"), std::string::npos) << refusal;
    // Nothing of the refused record is stored; empty numbers never clash.
    EXPECT_EQ(Query("SELECT 1 FROM ip_asset WHERE mac = '00:1A:2B:3C:4D:01'").size(), 0u);
    EXPECT_EQ(assets_.Save("00:1A:2B:3C:4D:01", Record("", "A")), 1u);
    EXPECT_EQ(assets_.Save("no-mac\t10.0.0.9\tX", Record("", "B")), 1u);
    // The holder keeps its number when saved again, and can give it up.
    EXPECT_EQ(assets_.Save("00:1A:2B:3C:4D:02", Record("ZC-0007", "C")), 1u);
    EXPECT_EQ(assets_.Save("00:1A:2B:3C:4D:02", Record("")), 2u);
    EXPECT_EQ(assets_.Save("00:1A:2B:3C:4D:01", Record("ZC-0007")), 2u);
    // A batch cannot give one number to many PCs.
    EXPECT_FALSE(RefusalOf([&] {
                     assets_.SetField({"00:1A:2B:3C:4D:01", "00:1A:2B:3C:4D:02"},
                                      AssetField::assetno, "ZC-9");
                 }).empty());
}

TEST_F(AssetStoreTest, EveryChangedFieldIsOneHistoryEntryUnderTheKey) {
    inventory::AssetValues values = Record("ZC-1", u8"三楼"_gbk);
    values[IndexOf(AssetField::purchasedate)] = "2024/3/5";
    values[IndexOf(AssetField::price)] = "4999.5";
    values[IndexOf(AssetField::remark)] = u8"借给实习生"_gbk;
    ASSERT_EQ(assets_.Save("00:1A:2B:3C:4D:01", values), 5u);
    values[IndexOf(AssetField::status)] = inventory::RetiredStatus();
    ASSERT_EQ(assets_.Save("00:1A:2B:3C:4D:01", values), 1u);

    const auto entries = Query(
        "SELECT mac, field, oldvalue, newvalue, changetime, address FROM ip_history ORDER BY id");
    using Entry = std::vector<std::optional<std::string>>;
    const std::string mac = "00:1A:2B:3C:4D:01";
    const std::string time = "2026-12-09 10:00:00";
    const std::string manual = u8"手工修改"_gbk;
    const std::vector<Entry> expected{
        {mac, "assetno", std::nullopt, "ZC-1", time, manual},
        {mac, "location", std::nullopt, u8"三楼"_gbk, time, manual},
        {mac, "purchasedate", std::nullopt, "2024-03-05", time, manual},
        {mac, "price", std::nullopt, "4999.50", time, manual},
        {mac, "assetremark", std::nullopt, u8"借给实习生"_gbk, time, manual},
        {mac, "status", u8"在用"_gbk, u8"报废"_gbk, time, manual},
    };
    EXPECT_EQ(entries, expected);
    EXPECT_EQ(assets_.Of(mac)[IndexOf(AssetField::price)], "4999.50");
    EXPECT_EQ(assets_.Of("00:1A:2B:3C:4D:02"), inventory::DefaultAssetValues());
    EXPECT_TRUE(assets_.Index().IsRetired("00:1a:2b:3c:4d:01", "", ""));
}

TEST_F(AssetStoreTest, RefusedValuesStoreNothing) {
    struct Case {
        AssetField field;
        std::string value;
    };
    const std::vector<Case> cases{
        {AssetField::purchasedate, "2023-02-29"},
        {AssetField::warrantyend, "tomorrow"},
        {AssetField::price, "-5"},
        {AssetField::price, "1.005"},
        {AssetField::status, u8"丢失"_gbk},
        {AssetField::status, ""},
        {AssetField::location, std::string(300, 'x')},
    };
    for (const Case& c : cases) {
        inventory::AssetValues values = Record("ZC-2");
        values[IndexOf(c.field)] = c.value;
        EXPECT_FALSE(RefusalOf([&] { assets_.Save("00:1A:2B:3C:4D:01", values); }).empty())
            << c.value;
        EXPECT_FALSE(
            RefusalOf([&] { assets_.SetField({"00:1A:2B:3C:4D:01"}, c.field, c.value); }).empty())
            << c.value;
    }
    EXPECT_EQ(Query("SELECT 1 FROM ip_asset").size(), 0u);
    EXPECT_EQ(Query("SELECT 1 FROM ip_history").size(), 0u);
}

TEST_F(AssetStoreTest, ABatchOfAThousandPcsIsOneTransaction) {
    std::vector<std::string> keys;
    for (int i = 0; i < 1000; ++i) {
        keys.push_back(Numbered("02:00:00:00:", 1000 + i));
    }
    // One BEGIN for the whole batch.
    sqlite3_trace_v2(
        connection_.Handle(), SQLITE_TRACE_STMT,
        [](unsigned, void* count, void*, void* sql) {
            const std::string_view text(static_cast<const char*>(sql));
            *static_cast<int*>(count) += text.starts_with("BEGIN") ? 1 : 0;
            return 0;
        },
        &begins_);
    EXPECT_EQ(assets_.SetField(keys, AssetField::location, u8"三楼财务室"_gbk), 1000u);
    sqlite3_trace_v2(connection_.Handle(), 0, nullptr, nullptr);
    EXPECT_EQ(begins_, 1);
    EXPECT_EQ(Query("SELECT 1 FROM ip_asset WHERE location = '" + u8"三楼财务室"_gbk + "'").size(),
              1000u);
    EXPECT_EQ(Query("SELECT 1 FROM ip_history WHERE field = 'location'").size(), 1000u);
    // The same value again changes nothing and records nothing.
    EXPECT_EQ(assets_.SetField(keys, AssetField::location, u8"三楼财务室"_gbk), 0u);
    EXPECT_EQ(Query("SELECT 1 FROM ip_history").size(), 1000u);
    // What labels and the asset list print: every record at once, found by
    // its key in either case; a key without a record reads as empty fields.
    assets_.Save(keys[500], Record("ZC-500"));
    assets_.Save("00:1A:2B:3C:4D:01", Record("ZC-1"));
    const AssetSnapshot snapshot = AssetSnapshot::Read(connection_);
    EXPECT_EQ(snapshot.Size(), 1001u);
    EXPECT_EQ(snapshot.Of(keys[500])[IndexOf(AssetField::assetno)], "ZC-500");
    EXPECT_EQ(snapshot.Of(keys[501])[IndexOf(AssetField::location)], u8"三楼财务室"_gbk);
    EXPECT_EQ(snapshot.Of("00:1a:2b:3c:4d:01")[IndexOf(AssetField::assetno)], "ZC-1");
    EXPECT_EQ(snapshot.Of("02:none"), inventory::AssetValues{});
}

TEST_F(AssetStoreTest, AnOlderFileGainsTheTableAtOpen) {
    connection_.Close();
    Exec("DROP TABLE ip_asset");
    OpenStore();
    EXPECT_EQ(
        Query("SELECT name FROM sqlite_master WHERE name LIKE 'ip_asset%' ORDER BY name").size(),
        2u);
    EXPECT_EQ(assets_.Save("00:1A:2B:3C:4D:01", Record("ZC-3")), 1u);
}

}  // namespace
}  // namespace vantrel::store::testing
