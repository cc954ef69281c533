// Whether table ip holds a MAC: separators and case do not matter, nothing
// is spliced into the statement, a reopened connection is followed, and a
// look-up leaves no read behind that a report's write would wait on.
#include <gtest/gtest.h>

#include "MacLookup.h"
#include "StoreError.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {
namespace {

using MacLookupTest = StoreFixture;

TEST_F(MacLookupTest, SeparatorsAndCaseAreAlike) {
    Exec(
        "INSERT INTO ip (mac) VALUES ('00-1A-2B-3C-4D-5E'), ('aa:bb:cc:dd:ee:ff'), "
        "('11.22.33.44.55.66'), ('a''b'), ('\xB0\x2D:\xB0\x3A')");
    OpenStore();
    MacLookup lookup(connection_);
    const struct {
        const char* mac;
        bool held;
    } cases[] = {
        {"00-1A-2B-3C-4D-5E", true},
        {"00:1a:2b:3c:4d:5e", true},
        {"00.1A-2B:3C.4D-5E", true},
        {"AA-BB-CC-DD-EE-FF", true},
        {"11:22:33:44:55:66", true},
        {"00-1A-2B-3C-4D-5F", false},
        {"001A2B3C4D5E", false},  // no separators: not the same text
        {"a'b", true},
        {"a' or '1'='1", false},
        {"\xB0\x2D-\xB0\x3A", true},
        {"\xB0.-\xB0\x3A", false},  // "\xB0\x2D" is one character, not a separator
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(lookup.Holds(c.mac), c.held) << c.mac;
    }
}

TEST_F(MacLookupTest, FollowsAReopenedConnectionAndFailsWhileClosed) {
    MacLookup lookup(connection_);
    EXPECT_THROW(lookup.Holds("00-11"), StoreError);
    OpenStore();
    EXPECT_FALSE(lookup.Holds("00-11"));
    // The statement prepared on the first handle must not be used on the
    // second one.
    connection_.Close();
    EXPECT_THROW(lookup.Holds("00-11"), StoreError);
    Exec("INSERT INTO ip (mac) VALUES ('00:11')");
    OpenStore();
    EXPECT_TRUE(lookup.Holds("00-11"));
    Exec("DROP TABLE ip");
    EXPECT_THROW(lookup.Holds("00-11"), StoreError);
}

TEST_F(MacLookupTest, LeavesNoReadThatAWriterWouldWaitFor) {
    Exec("INSERT INTO ip (mac) VALUES ('00-11'), ('00-22')");
    OpenStore();
    MacLookup lookup(connection_);
    ASSERT_TRUE(lookup.Holds("00:11"));
    // Another process writes without waiting: a read still open on the
    // store's handle would make its commit fail at once.
    sqlite3_busy_timeout(Raw(), 0);
    Exec("UPDATE ip SET pcname = 'written' WHERE mac = '00-22'");
    EXPECT_EQ(Column("pcname", "mac='00-22'"),
              (std::vector<std::optional<std::string>>{"written"}));
}

}  // namespace
}  // namespace vantrel::store::testing
