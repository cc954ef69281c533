#include <gtest/gtest.h>

#include "OnlineList.h"

using vantrel::scan::OnlineList;

TEST(OnlineList, StartsWithHeaderAndEmptySlotOnly) {
    OnlineList list;
    EXPECT_EQ(list.RowCount(), 2u);
    EXPECT_EQ(list.ResultCount(), 0u);
    list.WriteHeader();
    EXPECT_EQ(list.Cell(0, 0), "PC\xD6\xF7\xBB\xFA\xC3\xFB");
    EXPECT_EQ(list.Cell(3, 0), "\xCC\xEE\xB1\xA8\xD7\xB4\xCC\xAC");
    EXPECT_EQ(list.Cell(9, 9), "");
}

TEST(OnlineList, FillSlotKeepsOneEmptyRowAndResetDropsResults) {
    OnlineList list;
    list.WriteHeader();
    list.FillSlot("PC1", "127.0.0.2", "00.11.22.33.44.55");
    list.FillSlot("PC2", "127.0.0.3", "00.11.22.33.44.66");
    ASSERT_EQ(list.RowCount(), 4u);
    EXPECT_EQ(list.Cell(1, 2), "127.0.0.3");
    EXPECT_EQ(list.Cell(1, 3), "");
    list.Reset();
    EXPECT_EQ(list.RowCount(), 2u);
    EXPECT_EQ(list.Cell(1, 1), "");
    EXPECT_EQ(list.Cell(1, 0), "IP\xB5\xD8\xD6\xB7");  // header survives
}

TEST(OnlineList, MarkReportedMarksEveryMatchingResultRowOnly) {
    OnlineList list;
    list.WriteHeader();
    EXPECT_TRUE(list.MarkReported("", "u").empty());  // empty list: no row looked at
    list.FillSlot("A", "127.0.0.2", "m");
    list.FillSlot("B", "127.0.0.20", "m");
    list.FillSlot("A", "127.0.0.2", "m");
    auto marked = list.MarkReported("127.0.0.2", "");
    EXPECT_EQ(marked, (std::vector<std::size_t>{1, 3}));
    EXPECT_EQ(list.Cell(3, 1), " \xD2\xD1\xCC\xE1\xBD\xBB");
    EXPECT_EQ(list.Cell(3, 2), "");
    // The empty last row is never looked at, even for an empty address.
    list.MarkReported("", "x");
    EXPECT_EQ(list.Cell(3, list.RowCount() - 1), "");
}
