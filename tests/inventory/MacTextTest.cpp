// MAC texts: the separators an address is written with.
#include <gtest/gtest.h>

#include "MacText.h"

namespace vantrel::inventory::testing {
namespace {

TEST(WithMacSeparator, EverySeparatorBecomesTheOneGiven) {
    EXPECT_EQ(WithMacSeparator("00.1a.2B:3c-4D.5e", '-'), "00-1a-2B-3c-4D-5e");
    EXPECT_EQ(WithMacSeparator("001A2B3C4D5E", ':'), "001A2B3C4D5E");
    // A byte after a lead byte is part of its character, never a separator.
    EXPECT_EQ(WithMacSeparator("\xB0\x2D-\xB0\x3A", '.'), "\xB0\x2D.\xB0\x3A");
}

}  // namespace
}  // namespace vantrel::inventory::testing
