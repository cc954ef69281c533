// The server marker's rules: which addresses a collector and the intake
// accept, and what a marker field reads as.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "CollectorMarker.h"

namespace vantrel::protocol {
namespace {

TEST(CollectorMarker, HostPortRules) {
    for (const char* good : {"10.0.0.1", "10.0.0.1:8899", "inventory", "pc-01.office.lan:80",
                             "[fe80::1]:8899", "[::1]", "a:65535"}) {
        EXPECT_TRUE(IsValidHostPort(good)) << good;
    }
    // Labels of nine letters; with ":8899" exactly the field's size, so no
    // room for the NUL.
    std::string name;
    while (name.size() < kMarkerCapacity - 5) {
        name += "abcdefghi.";
    }
    name.resize(kMarkerCapacity - 5);
    name.back() = 'x';
    const std::string tooLong = name + ":8899";
    for (const std::string& bad :
         {std::string(), std::string(":8899"), std::string("host:"), std::string("host:0"),
          std::string("host:65536"), std::string("host:88a"), std::string("a b"),
          std::string("user@host"), std::string("host/path"), std::string("-host"),
          std::string("a..b"), std::string("\xD5\xC5\xC8\xFD:8899"), std::string("[fe80::1"),
          std::string("[xyz]"), std::string("host:1:2"), std::string("h\r\nX: y"), tooLong}) {
        EXPECT_FALSE(IsValidHostPort(bad)) << bad;
    }
    EXPECT_TRUE(IsValidHostPort(tooLong.substr(1)));

    const ServerAddress v6 = SplitHostPort("[fe80::1]:8899");
    EXPECT_EQ(v6.host, "fe80::1");
    EXPECT_EQ(v6.port, 8899u);
    EXPECT_EQ(SplitHostPort("inventory").port, 80u);
    EXPECT_THROW(SplitHostPort("host:0"), std::runtime_error);
}

TEST(CollectorMarker, FieldReadsUpToItsNulAndOnlyWhenValid) {
    std::string field(kMarkerCapacity, '\0');
    EXPECT_EQ(ServerFromMarkerField(field.data()), "");
    field.replace(0, 9, "pc-1:8899");
    EXPECT_EQ(ServerFromMarkerField(field.data()), "pc-1:8899");
    field.replace(0, 3, "a b");
    EXPECT_EQ(ServerFromMarkerField(field.data()), "");
    // A field without a NUL is read no further than its capacity, and then
    // is too long to be an address.
    const std::string full(kMarkerCapacity, 'a');
    EXPECT_EQ(ServerFromMarkerField(full.data()), "");
}

}  // namespace
}  // namespace vantrel::protocol
