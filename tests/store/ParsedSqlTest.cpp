// Statement text with :name parameters: which names count, and the text
// SQLite is given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ParsedSql.h"

namespace vantrel::store::testing {
namespace {

TEST(ParsedSql, NamesOutsideQuotesOnly) {
    ParsedSql parsed(
        "update ip set pcname=:x1,bz=':no' where mac=:X3 and dh=\":nor\" and bm=:x1 "
        "-- :comment\n and os='it''s :quoted' and yp=:x16/* :block */");
    EXPECT_EQ(parsed.Names(), (std::vector<std::string>{"x1", "X3", "x16"}));
    EXPECT_EQ(parsed.Sql(),
              "update ip set pcname=?1,bz=':no' where mac=?2 and dh=\":nor\" and bm=?1 "
              "-- :comment\n and os='it''s :quoted' and yp=?3/* :block */");
    EXPECT_EQ(parsed.Find("x3"), 1);
    EXPECT_EQ(parsed.Find("x2"), -1);
}

TEST(ParsedSql, DoubleColonIsAColon) {
    ParsedSql parsed("select '12' || '::' as a, 1::x");
    EXPECT_TRUE(parsed.Names().empty());
    EXPECT_EQ(parsed.Sql(), "select '12' || '::' as a, 1:x");
    EXPECT_EQ(ParsedSql("select :a, ':'").Names(), std::vector<std::string>{"a"});
}

}  // namespace
}  // namespace vantrel::store::testing
