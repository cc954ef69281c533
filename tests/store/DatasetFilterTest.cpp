// The conditions the batch dataset filters by: a field equal to or
// containing a text, and an overview choice.
#include <gtest/gtest.h>

#include "FilterCondition.h"
#include "FixedTime.h"
#include "GbkConvert.h"
#include "InventoryDataset.h"
#include "NicMakers.h"
#include "StoreError.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {
namespace {

// 财务部, 技术部, 张三, 李四 in code page 936.
const std::string kFinance = "\xB2\xC6\xCE\xF1\xB2\xBF";
const std::string kTech = "\xBC\xBC\xCA\xF5\xB2\xBF";
const std::string kZhang = "\xD5\xC5\xC8\xFD";
const std::string kLi = "\xC0\xEE\xCB\xC4";
// 丄 (81 41) and 乤 (81 61): trail bytes that look like 'A' and 'a'.
const std::string kTrailUpperA = "\x81\x41";
const std::string kTrailLowerA = "\x81\x61";
// 昞 (95 5C): a trail byte that looks like a backslash.
const std::string kTrailBackslash = "\x95\x5C";

FilterCondition Equals(const char* field, const std::string& text) {
    return FilterCondition::OfField(field, FieldMatch::Equals, text);
}
FilterCondition Contains(const char* field, const std::string& text) {
    return FilterCondition::OfField(field, FieldMatch::Contains, text);
}

class DatasetFilterTest : public StoreFixture {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        Insert({{"bm", kFinance},
                {"username", kZhang},
                {"ip", "192.168.1.10"},
                {"cpu", "Intel i5"},
                {"bios", "ABC-1"},
                {"rammax", "8192MB"}});
        Insert({{"bm", kTech},
                {"username", kLi},
                {"ip", "10.0.0.7"},
                {"cpu", "AMD"},
                {"bios", "abc-2"}});
        Insert(
            {{"bm", std::nullopt}, {"username", ""}, {"ip", "192.168.1.11"}, {"bios", "50%_off*"}});
        Insert({{"bm", kTrailUpperA},
                {"username", kTrailBackslash},
                {"ip", "192.168.2.1"},
                {"rammax", "8 GB"}});
        Insert({{"bm", kFinance}, {"username", "o'brien"}, {"ip", "192.168.1.12"}}, true);
        OpenStore();
        query_.Open();
    }

    // The values of a field over the current view.
    std::vector<std::string> View(const std::string& field) {
        std::vector<std::string> values;
        int f = query_.FieldIndex(field);
        for (std::size_t row = 0; row < query_.RecordCount(); ++row) {
            values.push_back(query_.DisplayText(row, static_cast<std::size_t>(f)));
        }
        return values;
    }

    InventoryDataset query_{connection_};
};

TEST_F(DatasetFilterTest, EachConditionShowsTheRowsItChooses) {
    struct Case {
        FilterCondition condition;
        std::vector<std::string> ips;  // the view, in record order
    };
    const Case cases[] = {
        {Equals("bm", kFinance), {"192.168.1.10", "192.168.1.12"}},
        {Contains("IP", "192.168"),
         {"192.168.1.10", "192.168.1.11", "192.168.2.1", "192.168.1.12"}},
        // ASCII letters of the text and of the field name compare without case.
        {Equals("BIOS", "abc-1"), {"192.168.1.10"}},
        {Contains("cpu", "I5"), {"192.168.1.10"}},
        // No byte of the text is special: not %, _, * nor a quote.
        {Contains("bios", "%_O"), {"192.168.1.11"}},
        {Contains("bios", "*"), {"192.168.1.11"}},
        {Contains("bios", "%"), {"192.168.1.11"}},
        {Equals("username", "O'Brien"), {"192.168.1.12"}},
        {Contains("username", "o'b"), {"192.168.1.12"}},  // stored as BLOB
        {Equals("username", "o''brien"), {}},
        {Contains("username", "'"), {"192.168.1.12"}},
        // Null never matches; the empty text does.
        {Contains("bm", ""), {"192.168.1.10", "10.0.0.7", "192.168.2.1", "192.168.1.12"}},
        {Equals("username", ""), {"192.168.1.11"}},
        {Equals("dh", ""), {}},
        {Equals("username", "  "), {}},
        // A trail byte is never read as the letter or backslash it looks like.
        {Equals("bm", kTrailUpperA), {"192.168.2.1"}},
        {Equals("bm", kTrailLowerA), {}},
        {Contains("bm", "A"), {}},
        {Contains("bm", "a"), {}},
        {Contains("username", "\\"), {}},
        {Contains("username", kTrailBackslash), {"192.168.2.1"}},
        // Whole characters only: 务 is one, the bytes across 财 and 务 none.
        {Contains("bm", "\xCE\xF1"), {"192.168.1.10", "192.168.1.12"}},
        {Contains("bm", "\xC6\xCE"), {}},
        {FilterCondition(),
         {"192.168.1.10", "10.0.0.7", "192.168.1.11", "192.168.2.1", "192.168.1.12"}},
    };
    for (const Case& c : cases) {
        if (query_.RecordCount() > 1) {
            query_.SetRecNo(query_.RecordCount() - 1);
        }
        query_.SetFilter(c.condition);
        EXPECT_EQ(View("ip"), c.ips) << c.condition.Field() << " " << c.condition.Text();
        EXPECT_EQ(query_.RecNo(), c.ips.empty() ? -1 : 0);  // the first row of the new view
        EXPECT_EQ(query_.Eof(), c.ips.empty());
        EXPECT_TRUE(query_.Filter() == c.condition);
    }
}

TEST_F(DatasetFilterTest, AnUnknownFieldLeavesTheFilterInForce) {
    query_.SetFilter(Equals("bm", kTech));
    for (const char* field : {"", "nosuch", "bm "}) {
        EXPECT_THROW(query_.SetFilter(Equals(field, "x")), StoreError) << field;
        EXPECT_TRUE(query_.Filter() == Equals("BM", kTech)) << field;
        EXPECT_EQ(View("ip"), std::vector<std::string>{"10.0.0.7"}) << field;
    }
}

TEST_F(DatasetFilterTest, AnOverviewChoiceKeepsNewRowsAndOutlivesARequery) {
    const inventory::NicMakers makers;
    auto rules = std::make_shared<const inventory::OverviewRules>(
        inventory::SeenIndex{}, makers, testsupport::LocalTime(2024, 5, 6, 9, 7, 3));
    inventory::OverviewSelection memory{inventory::Dimension::Memory, "8 GB", {}};
    query_.SetFilter(FilterCondition::OfOverview(memory, rules, "8 GB"));
    EXPECT_EQ(View("ip"), (std::vector<std::string>{"192.168.1.10", "192.168.2.1"}));
    EXPECT_EQ(query_.Filter().Description(), "8 GB");

    // The same choice under the same rules changes nothing; under new
    // rules it counts anew.
    query_.SetRecNo(1);
    query_.SetFilter(FilterCondition::OfOverview(memory, rules, "again"));
    EXPECT_EQ(query_.RecNo(), 1);
    auto newer = std::make_shared<const inventory::OverviewRules>(*rules);
    query_.SetFilter(FilterCondition::OfOverview(memory, newer, "8 GB"));
    EXPECT_EQ(query_.RecNo(), 0);

    // A new row has nothing the rules could judge: it stays in view, where
    // a search would drop it.
    query_.Append();
    query_.SetValue(static_cast<std::size_t>(query_.FieldIndex("dh")), std::string("1"));
    query_.EndEdit();
    Insert({{"bm", kTech}, {"ip", "10.0.0.8"}, {"rammax", "8 GB"}});
    query_.Requery();
    EXPECT_EQ(View("ip"),
              (std::vector<std::string>{"192.168.1.10", "192.168.2.1", "10.0.0.8", ""}));
    query_.SetFilter(Equals("rammax", "8 GB"));
    EXPECT_EQ(View("ip"), (std::vector<std::string>{"192.168.2.1", "10.0.0.8"}));
}

TEST(FilterConditionWords, DescribeWhatIsChosen) {
    const auto g = [](const char* utf8) { return text::Utf8ToGbk(utf8); };
    EXPECT_EQ(Equals("bm", kFinance).Description(), g("部门 等于 财务部"));
    EXPECT_EQ(Contains("IP", "192.168").Description(), g("IP地址 包含 192.168"));
    EXPECT_EQ(Equals("username", "O'Neil").Description(), g("使用者 等于 O'Neil"));
    EXPECT_EQ(Contains("bz", "x").Description(), g("bz 包含 x"));  // not a search field
    EXPECT_EQ(FilterCondition().Description(), "");
}

TEST_F(DatasetFilterTest, FilterEndsTheEditInProgress) {
    query_.SetRecNo(1);
    query_.SetValue(static_cast<std::size_t>(query_.FieldIndex("dh")), std::string("123"));
    query_.SetFilter(Equals("bm", kTech));
    EXPECT_FALSE(query_.Editing());
    EXPECT_TRUE(query_.HasPendingChanges());
    EXPECT_EQ(View("dh"), std::vector<std::string>{"123"});
    EXPECT_EQ(Column("dh", "dh IS NOT NULL").size(), 0u);  // not saved

    query_.CancelBatch();
    query_.Append();  // untouched new row: dropped by the next filter
    query_.SetFilter({});
    EXPECT_FALSE(query_.HasPendingChanges());
    EXPECT_EQ(query_.RecordCount(), 5u);

    // The same condition again changes nothing, not even the current row.
    query_.SetRecNo(3);
    query_.SetFilter({});
    EXPECT_EQ(query_.RecNo(), 3);
}

}  // namespace
}  // namespace vantrel::store::testing
