// The placeholder rule the Windows collector applies and the program will:
// one case per known placeholder, and values that only look like one.
#include <gtest/gtest.h>

#include "IdentityCases.h"
#include "IdentityPlaceholders.h"

namespace vantrel::collector::test {
namespace {

TEST(IdentityPlaceholders, EachKnownPlaceholderAndNearMisses) {
    for (const PlaceholderCase& c : kTextCases) {
        EXPECT_EQ(protocol::IsPlaceholderText(c.text), c.placeholder) << c.text;
        // Blanks around do not matter.
        EXPECT_EQ(protocol::IsPlaceholderText(std::string(" ") + c.text + "\t"), c.placeholder)
            << c.text;
    }
    EXPECT_TRUE(protocol::IsPlaceholderText(""));
    EXPECT_TRUE(protocol::IsPlaceholderText("  "));
}

TEST(IdentityPlaceholders, UuidsOfOneByteOrCountingBytes) {
    for (const PlaceholderCase& c : kUuidCases) {
        EXPECT_EQ(protocol::IsPlaceholderUuid(c.text), c.placeholder) << c.text;
    }
}

}  // namespace
}  // namespace vantrel::collector::test
