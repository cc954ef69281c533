// Fields, sort and movement of the batch dataset.
#include <gtest/gtest.h>

#include <algorithm>

#include "InventoryDataset.h"
#include "InventoryDatasetSort.h"
#include "StoreError.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {
namespace {

// 李 (C0 EE), 王 (CD F5), 张 (D5 C5): pinyin l < w < z, and so are the bytes.
const std::string kLi = "\xC0\xEE";
const std::string kWang = "\xCD\xF5";
const std::string kZhang = "\xD5\xC5";

class DatasetSortTest : public StoreFixture {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        // pcname gives each row a name in load order.
        Insert({{"pcname", "r1"}, {"username", kZhang}, {"bm", "b"}});
        Insert({{"pcname", "r2"}, {"username", kLi}, {"bm", std::nullopt}});
        Insert({{"pcname", "r3"}, {"username", "zz"}, {"bm", "a"}});
        Insert({{"pcname", "r4"}, {"username", kWang}, {"bm", "b"}});
        Insert({{"pcname", "r5"}, {"username", std::nullopt}, {"bm", "a"}});
        Insert({{"pcname", "r6"}, {"username", "A"}, {"bm", ""}});
        OpenStore();
        query_.Open();
    }

    std::string Names() {
        std::string names;
        for (std::size_t row = 0; row < query_.RecordCount(); ++row) {
            names += query_.DisplayText(row, 0) + " ";
        }
        return names;
    }

    std::string CurrentName() {
        return query_.DisplayText(static_cast<std::size_t>(query_.RecNo()), 0);
    }

    InventoryDataset query_{connection_};
};

TEST_F(DatasetSortTest, FieldsFollowTheTable) {
    const char* names[] = {"pcname", "username", "mac",    "ip",     "cpu",  "board",
                           "os",     "pctype",   "rammax", "rammin", "bios", "bm",
                           "dh",     "bz",       "yp",     "xk",     "djsj"};
    ASSERT_EQ(query_.Fields().size(), 17u);
    for (std::size_t f = 0; f < 17; ++f) {
        EXPECT_EQ(query_.Fields()[f].name, names[f]);
        EXPECT_EQ(query_.Fields()[f].type, f == 16 ? FieldType::DateTime : FieldType::Text);
    }
    EXPECT_EQ(query_.FieldIndex("BIOS"), 10);
    EXPECT_EQ(query_.FieldIndex("Ip"), 3);
    EXPECT_EQ(query_.FieldIndex("nosuch"), -1);
    EXPECT_EQ(query_.DisplayText(1, 11), "");  // null
    EXPECT_FALSE(query_.Value(1, 11).has_value());
    EXPECT_EQ(query_.DisplayText(0, 16).size(), 19u);  // YYYY-MM-DD HH:MM:SS
    EXPECT_THROW(query_.Value(6, 0), StoreError);
    EXPECT_THROW(query_.Value(0, 17), StoreError);
}

TEST_F(DatasetSortTest, AscendingStableNullsFirstBytesUnsigned) {
    query_.SetSort("bm");
    EXPECT_EQ(Names(), "r2 r6 r3 r5 r1 r4 ");
    EXPECT_EQ(query_.Sort(), "bm");
    // Each sort starts from the load order, not from the previous sort.
    query_.SetSort("USERNAME");
    EXPECT_EQ(Names(), "r5 r6 r3 r2 r4 r1 ");
    // Unknown fields are refused and the sort stays.
    EXPECT_THROW(query_.SetSort("nosuch"), StoreError);
    EXPECT_EQ(query_.Sort(), "USERNAME");
    EXPECT_EQ(Names(), "r5 r6 r3 r2 r4 r1 ");
    query_.SetSort("");
    EXPECT_EQ(Names(), "r1 r2 r3 r4 r5 r6 ");
}

TEST_F(StoreFixture, SortMatchesAStableSortOfTheValues) {
    // Values that share long prefixes, differ only past eight bytes or in
    // length, carry NUL and high bytes or numbers, repeat, or are null or
    // empty: the dataset's gathered keys give CompareForSort's order.
    const std::vector<FieldValue> pool = {
        std::nullopt,
        "",
        std::string("\0", 1),
        std::string("a\0", 2),
        "a",
        "abcdefgh",
        "abcdefgh\x01",
        "abcdefghi",
        "abcdefgg\xFF",
        "\xB2\xC6\xCE\xF1\xB2\xBF",  // 财务部
        "\xB2\xC6\xCE\xF1\xB2\xBF\xB2\xC6\xCE\xF1\xB2\xBF",
        "\xBC\xBC\xCA\xF5\xB2\xBF",  // 技术部
        "\x7F",
        "\x80",
        "Z",
        // Numbers inside text: memory, addresses, names, a run past eight
        // digits, leading zeros.
        "2.00 GB",
        "16.0 GB",
        "192.168.1.9",
        "192.168.1.10",
        "PC-123456789012",
        "PC-99",
        "007",
        "7",
        "\xB2\xC6\xCE\xF1\xB2\xBF"
        "12",
    };
    std::vector<std::pair<FieldValue, std::string>> rows;  // bm, pcname
    unsigned seed = 7;
    for (int i = 0; i < 300; ++i) {
        seed = seed * 1103515245u + 12345u;
        rows.emplace_back(pool[(seed >> 8) % pool.size()], Numbered("r", i));
        Insert({{"pcname", rows.back().second}, {"bm", rows.back().first}}, i % 3 == 0);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        if (!a.first || !b.first) {
            return !a.first && b.first;
        }
        return CompareForSort(*a.first, *b.first) < 0;
    });
    OpenStore();
    InventoryDataset query(connection_);
    query.Open();
    query.SetSort("bm");
    ASSERT_EQ(query.RecordCount(), rows.size());
    for (std::size_t row = 0; row < rows.size(); ++row) {
        ASSERT_EQ(query.DisplayText(row, 0), rows[row].second) << "row " << row;
        ASSERT_EQ(query.Value(row, 11), rows[row].first) << "row " << row;
    }
}

TEST_F(DatasetSortTest, SortKeepsTheCurrentRecordAndTheFilter) {
    query_.SetFilter(FilterCondition::OfField("bm", FieldMatch::Contains, ""));
    EXPECT_EQ(Names(), "r1 r3 r4 r5 r6 ");
    query_.SetRecNo(2);
    ASSERT_EQ(CurrentName(), "r4");
    query_.SetSort("username");
    EXPECT_EQ(Names(), "r5 r6 r3 r4 r1 ");
    EXPECT_EQ(CurrentName(), "r4");
    EXPECT_TRUE(query_.Filter() == FilterCondition::OfField("bm", FieldMatch::Contains, ""));
    // A filter set later puts the first row current and keeps the sort.
    query_.SetFilter(FilterCondition::OfField("bm", FieldMatch::Equals, "b"));
    EXPECT_EQ(Names(), "r4 r1 ");
    EXPECT_EQ(query_.RecNo(), 0);
}

TEST_F(DatasetSortTest, WalkAndBookmarks) {
    std::string walked;
    for (query_.First(); !query_.Eof(); query_.Next()) {
        walked += CurrentName() + " ";
    }
    EXPECT_EQ(walked, "r1 r2 r3 r4 r5 r6 ");
    EXPECT_EQ(CurrentName(), "r6");  // Next at the end stays on the last row

    query_.SetRecNo(1);
    Bookmark mark = query_.GetBookmark();
    query_.SetSort("username");
    query_.First();
    query_.GotoBookmark(mark);
    EXPECT_EQ(CurrentName(), "r2");
    EXPECT_FALSE(query_.Eof());
    query_.SetFilter(FilterCondition::OfField("bm", FieldMatch::Equals, "b"));
    EXPECT_THROW(query_.GotoBookmark(mark), StoreError);
    EXPECT_THROW(query_.SetRecNo(2), StoreError);
}

TEST_F(DatasetSortTest, ClosedDatasetRefusesWork) {
    InventoryDataset closed(connection_);
    EXPECT_FALSE(closed.Active());
    EXPECT_EQ(closed.RecordCount(), 0u);
    EXPECT_TRUE(closed.Eof());
    EXPECT_EQ(closed.RecNo(), -1);
    EXPECT_THROW(closed.SetFilter(FilterCondition::OfField("bm", FieldMatch::Equals, "a")),
                 StoreError);
    EXPECT_THROW(closed.SetSort("bm"), StoreError);
    EXPECT_THROW(closed.Requery(), StoreError);
    EXPECT_THROW(closed.Append(), StoreError);
    EXPECT_THROW(closed.Delete(), StoreError);
    EXPECT_THROW(closed.CancelBatch(), StoreError);
    EXPECT_THROW(closed.UpdateBatch(), StoreError);
    EXPECT_THROW(closed.First(), StoreError);
    EXPECT_THROW(closed.Value(0, 0), StoreError);
    connection_.Close();
    EXPECT_THROW(closed.Open(), StoreError);
    EXPECT_FALSE(closed.Active());
}

}  // namespace
}  // namespace vantrel::store::testing
