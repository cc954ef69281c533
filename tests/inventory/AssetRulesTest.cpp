// What the asset fields accept and how a warranty's end is judged.

#include <gtest/gtest.h>

#include "AssetFields.h"
#include "GbkLiteral.h"
#include "InventoryOverview.h"
#include "NicMakers.h"

namespace vantrel::inventory {
namespace {

TEST(AssetRulesTest, DatesArePutInOneFormOrRefused) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"2024-03-05", "2024-03-05"},  {"2024/3/5", "2024-03-05"},
        {"2024.12.31", "2024-12-31"},  {"2024-3-5 10:20:00", "2024-03-05"},
        {"20240229", "2024-02-29"},    {" 2000-02-29 ", "2000-02-29"},
        {"1900-02-29", std::nullopt},  {"2023-02-29", std::nullopt},
        {"2024-13-01", std::nullopt},  {"2024-04-31", std::nullopt},
        {"2024-3/5", std::nullopt},    {"24-3-5", std::nullopt},
        {"2024-03-05x", std::nullopt}, {"", std::nullopt},
        {"45000", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(NormalDate(text), expected) << text;
    }
}

TEST(AssetRulesTest, PricesKeepTwoPlacesOrAreRefused) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"4999", "4999.00"},     {"4999.5", "4999.50"},    {"0.05", "0.05"},
        {"1,234.56", "1234.56"}, {u8"￥ 88"_gbk, "88.00"}, {"007", "7.00"},
        {"0", "0.00"},           {"1.005", std::nullopt},  {"-3", std::nullopt},
        {"12.", std::nullopt},   {".5", std::nullopt},     {"1e3", std::nullopt},
        {"1.2.3", std::nullopt}, {"", std::nullopt},       {"9999999999999", std::nullopt},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(NormalPrice(text), expected) << text;
    }
}

TEST(AssetRulesTest, AWarrantyEndsSoonWithinThirtyDaysAndEndsAfterItsDay) {
    std::tm today{};
    today.tm_year = 2026 - 1900;
    today.tm_mon = 11;  // 2026-12-09
    today.tm_mday = 9;
    const std::vector<std::pair<std::string, WarrantyState>> cases{
        {"", WarrantyState::None},
        {"junk", WarrantyState::None},
        {"2026-12-08", WarrantyState::Ended},
        {"2026-12-09", WarrantyState::EndsSoon},
        {"2027-01-08", WarrantyState::EndsSoon},
        {"2027-01-09", WarrantyState::Covered},
    };
    for (const auto& [end, expected] : cases) {
        EXPECT_EQ(WarrantyOf(end, today), expected) << end;
    }
}

TEST(AssetRulesTest, RecordsAreFoundByTheRowsKeyWhateverTheMacsCase) {
    AssetIndex index;
    index.Add("00:1A:2B:3C:4D:5E", {RetiredStatus(), ""});
    index.Add("no-mac\t10.0.0.5\tPC-A", {InUseStatus(), "2027-01-01"});
    EXPECT_TRUE(index.IsRetired("00:1a:2b:3c:4d:5e", "10.0.0.1", "X"));
    EXPECT_FALSE(index.IsRetired("00:1A:2B:3C:4D:5F", "", ""));
    ASSERT_NE(index.Find("", "10.0.0.5", "PC-A"), nullptr);
    EXPECT_EQ(index.Find("", "10.0.0.5", "PC-B"), nullptr);
}

TEST(AssetRulesTest, TheOverviewCountsRetiredPcsApartAndWarrantiesByTheirEnd) {
    std::tm now{};
    now.tm_year = 2026 - 1900;
    now.tm_mon = 11;
    now.tm_mday = 9;
    const NicMakers makers;
    OverviewRules rules(SeenIndex{}, makers, now);
    AssetIndex assets;
    assets.Add("02:00:00:00:00:01", {RetiredStatus(), "2020-01-01"});
    assets.Add("02:00:00:00:00:02", {InUseStatus(), "2026-12-20"});
    assets.Add("02:00:00:00:00:03", {u8"备用"_gbk, "2026-01-01"});
    rules.SetAssets(std::move(assets));
    // None of them was ever seen: only the retired one is not missed.
    std::vector<PcFacts> rows(4);
    const char* const macs[] = {"02:00:00:00:00:01", "02:00:00:00:00:02", "02:00:00:00:00:03",
                                "02:00:00:00:00:04"};
    for (std::size_t r = 0; r < rows.size(); ++r) {
        rows[r].mac = macs[r];
    }
    const Overview overview = CountOverview(rows, rules);
    EXPECT_EQ(overview.notSeen90, 3u);
    EXPECT_EQ(overview.retired, 1u);
    EXPECT_EQ(overview.warranty30, 1u);
    EXPECT_EQ(overview.expired, 1u);  // the retired PC's ended warranty is not counted
    const std::vector<std::pair<Dimension, std::size_t>> drills{
        {Dimension::Retired, 0}, {Dimension::Warranty30, 1}, {Dimension::Expired, 2}};
    for (const auto& [card, row] : drills) {
        for (std::size_t r = 0; r < rows.size(); ++r) {
            EXPECT_EQ((OverviewSelection{card, "", {}}.Matches(rows[r], rules)), r == row);
        }
    }
    // The start-up reminder counts the same way; no warranty recorded, no line.
    AssetIndex reminders;
    reminders.Add("a", {InUseStatus(), "2026-12-20"});
    reminders.Add("b", {RetiredStatus(), "2026-12-20"});
    reminders.Add("c", {InUseStatus(), ""});
    EXPECT_EQ(WarrantyStartupLine(reminders, now),
              u8"保修提醒：1 台电脑的保修将在 30 天内到期"_gbk);
    EXPECT_EQ(WarrantyStartupLine(AssetIndex{}, now), "");
}

}  // namespace
}  // namespace vantrel::inventory
