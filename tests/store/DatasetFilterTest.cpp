// Filter texts of the batch dataset.
#include <gtest/gtest.h>

#include "InventoryDataset.h"
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

class DatasetFilterTest : public StoreFixture {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        Insert({{"bm", kFinance},
                {"username", kZhang},
                {"ip", "192.168.1.10"},
                {"cpu", "Intel i5"},
                {"bios", "ABC-1"}});
        Insert({{"bm", kTech},
                {"username", kLi},
                {"ip", "10.0.0.7"},
                {"cpu", "AMD"},
                {"bios", "abc-2"}});
        Insert(
            {{"bm", std::nullopt}, {"username", ""}, {"ip", "192.168.1.11"}, {"bios", "50%_off*"}});
        Insert({{"bm", kTrailUpperA}, {"username", kTrailBackslash}, {"ip", "192.168.2.1"}});
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

TEST_F(DatasetFilterTest, ExactAndContainsForms) {
    ASSERT_EQ(query_.RecordCount(), 5u);
    query_.SetRecNo(3);
    query_.SetFilter("bm='" + kFinance + "'");
    EXPECT_EQ(View("ip"), (std::vector<std::string>{"192.168.1.10", "192.168.1.12"}));
    EXPECT_EQ(query_.RecNo(), 0);  // the first row of the new view
    EXPECT_EQ(query_.Filter(), "bm='" + kFinance + "'");

    query_.SetFilter("IP like '%192.168%'");
    EXPECT_EQ(query_.RecordCount(), 4u);
    query_.SetFilter("BIOS='abc-1'");
    EXPECT_EQ(View("ip"), std::vector<std::string>{"192.168.1.10"});
    query_.SetFilter("CPU like '%i5%'");
    EXPECT_EQ(query_.RecordCount(), 1u);
    query_.SetFilter("bios like '%%_O%'");
    EXPECT_EQ(View("ip"), std::vector<std::string>{"192.168.1.11"});
    query_.SetFilter("bios like '%*%'");
    EXPECT_EQ(query_.RecordCount(), 1u);
    // A value stored as BLOB (as other tools write it) matches like TEXT.
    query_.SetFilter("username like '%BRIEN%'");
    EXPECT_EQ(View("ip"), std::vector<std::string>{"192.168.1.12"});
    query_.SetFilter("");
    EXPECT_EQ(query_.RecordCount(), 5u);
}

TEST_F(DatasetFilterTest, NullNeverMatchesEmptyTextDoes) {
    query_.SetFilter("bm like '%%'");
    EXPECT_EQ(query_.RecordCount(), 4u);
    query_.SetFilter("username=''");
    EXPECT_EQ(View("ip"), std::vector<std::string>{"192.168.1.11"});
    query_.SetFilter("dh=''");
    EXPECT_EQ(query_.RecordCount(), 0u);
    EXPECT_EQ(query_.RecNo(), -1);
    EXPECT_TRUE(query_.Eof());
    query_.SetFilter("username='  '");
    EXPECT_EQ(query_.RecordCount(), 0u);
}

TEST_F(DatasetFilterTest, BadConditionsLeaveTheFilterInForce) {
    query_.SetFilter("bm='" + kTech + "'");
    for (const std::string& bad : std::vector<std::string>{
             "='x'", " like '%x%'", "nosuch='x'", "username='o'brien'", "username='o''brien'",
             "username like 'o'brien'", "bm like 'x'", "bm like '%x'", "bm like '%'", "bm='x",
             "bm>'x'", "bm=x", "bm likes '%x%'", "bm='x' or 1=1", "bm = '" + kTech + "' x",
             "bm='\x81'", "bm like '%\x81%'"}) {
        EXPECT_THROW(query_.SetFilter(bad), StoreError) << bad;
        EXPECT_EQ(query_.Filter(), "bm='" + kTech + "'") << bad;
        EXPECT_EQ(View("ip"), std::vector<std::string>{"10.0.0.7"}) << bad;
    }
}

TEST_F(DatasetFilterTest, TrailBytesThatLookLikeLettersOrBackslashes) {
    query_.SetFilter("bm='" + kTrailLowerA + "'");
    EXPECT_EQ(query_.RecordCount(), 0u);
    query_.SetFilter("bm='" + kTrailUpperA + "'");
    EXPECT_EQ(View("ip"), std::vector<std::string>{"192.168.2.1"});
    query_.SetFilter("bm like '%A%'");
    EXPECT_EQ(query_.RecordCount(), 0u);
    query_.SetFilter("username like '%\\%'");
    EXPECT_EQ(query_.RecordCount(), 0u);
    query_.SetFilter("username like '%" + kTrailBackslash + "%'");
    EXPECT_EQ(query_.RecordCount(), 1u);
    // Half of a character is no character.
    query_.SetFilter("bm like '%\xCE\xF1%'");
    EXPECT_EQ(query_.RecordCount(), 2u);
    query_.SetFilter("bm like '%\xC6\xCE%'");
    EXPECT_EQ(query_.RecordCount(), 0u);
}

TEST_F(DatasetFilterTest, FilterEndsTheEditInProgress) {
    query_.SetRecNo(1);
    query_.SetValue(static_cast<std::size_t>(query_.FieldIndex("dh")), std::string("123"));
    query_.SetFilter("bm='" + kTech + "'");
    EXPECT_FALSE(query_.Editing());
    EXPECT_TRUE(query_.HasPendingChanges());
    EXPECT_EQ(View("dh"), std::vector<std::string>{"123"});
    EXPECT_EQ(Column("dh", "dh IS NOT NULL").size(), 0u);  // not saved

    query_.CancelBatch();
    query_.Append();  // untouched new row: dropped by the next filter
    query_.SetFilter("");
    EXPECT_FALSE(query_.HasPendingChanges());
    EXPECT_EQ(query_.RecordCount(), 5u);

    // The same text again changes nothing, not even the current row.
    query_.SetRecNo(3);
    query_.SetFilter("");
    EXPECT_EQ(query_.RecNo(), 3);
}

}  // namespace
}  // namespace vantrel::store::testing
