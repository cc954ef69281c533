// What the grid marks of the pending batch: each row's state, changed
// fields, and the count of rows a save would write.
#include <gtest/gtest.h>

#include "InventoryDataset.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {
namespace {

using Status = InventoryDataset::RowStatus;

class DatasetRowStatusTest : public StoreFixture {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        Insert({{"pcname", "r1"}, {"mac", "m1"}, {"bm", "a"}});
        Insert({{"pcname", "r2"}, {"mac", "m2"}, {"bm", "b"}});
        Insert({{"pcname", "r3"}, {"mac", "m3"}, {"bm", "c"}});
        OpenStore();
        query_.Open();
        bm_ = static_cast<std::size_t>(query_.FieldIndex("bm"));
        mac_ = static_cast<std::size_t>(query_.FieldIndex("mac"));
    }

    InventoryDataset query_{connection_};
    std::size_t bm_ = 0;
    std::size_t mac_ = 0;
};

TEST_F(DatasetRowStatusTest, EditsNewRowsAndDeletionsAreMarkedAndCounted) {
    EXPECT_EQ(query_.PendingCount(), 0u);
    query_.SetRecNo(0);
    query_.SetValue(bm_, std::string("x"));  // in its edit, not yet posted
    EXPECT_TRUE(query_.Modified());
    EXPECT_EQ(query_.Status(0), Status::Modified);
    EXPECT_TRUE(query_.FieldChanged(0, bm_));
    EXPECT_FALSE(query_.FieldChanged(0, mac_));
    EXPECT_EQ(query_.PendingCount(), 1u);

    query_.Append();  // posts row 0; the new row counts once typed into
    EXPECT_FALSE(query_.Modified());
    EXPECT_EQ(query_.Status(3), Status::Inserted);
    EXPECT_TRUE(query_.FieldChanged(3, mac_));
    EXPECT_EQ(query_.PendingCount(), 1u);
    query_.SetValue(bm_, std::string("n"));
    EXPECT_EQ(query_.PendingCount(), 2u);

    query_.SetRecNo(1);
    query_.Delete();
    EXPECT_EQ(query_.PendingCount(), 3u);
    EXPECT_EQ(query_.Status(0), Status::Modified);
    EXPECT_EQ(query_.Status(1), Status::Unchanged);  // r3 moved up

    // Edited back to the loaded value: nothing left to mark.
    query_.SetRecNo(0);
    query_.SetValue(bm_, std::string("a"));
    EXPECT_FALSE(query_.FieldChanged(0, bm_));
    query_.EndEdit();
    EXPECT_EQ(query_.Status(0), Status::Unchanged);
    EXPECT_EQ(query_.PendingCount(), 2u);

    query_.UpdateBatch();
    EXPECT_EQ(query_.PendingCount(), 0u);
    for (std::size_t row = 0; row < query_.RecordCount(); ++row) {
        EXPECT_EQ(query_.Status(row), Status::Unchanged) << row;
    }
}

}  // namespace
}  // namespace vantrel::store::testing
