// The report handler's statement query: parameters, binding, reading.
#include <gtest/gtest.h>

#include "StoreError.h"
#include "StoreFixture.h"
#include "TADOQuery2.h"
#include "TParsedSql.h"

namespace vantrel::store::testing {
namespace {

using StatementQueryTest = StoreFixture;

TEST(ParsedSql, NamesOutsideQuotesOnly) {
    TParsedSql parsed(
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
    TParsedSql parsed("select '12' || '::' as a, 1::x");
    EXPECT_TRUE(parsed.Names().empty());
    EXPECT_EQ(parsed.Sql(), "select '12' || '::' as a, 1:x");
    EXPECT_EQ(TParsedSql("select :a, ':'").Names(), std::vector<std::string>{"a"});
}

TEST_F(StatementQueryTest, InsertThenCountByMacIgnoringCase) {
    OpenStore();
    TADOQuery2 query(connection_);
    query.SetSQL("insert into ip (pcname,mac,bm) values (:x1,:x3,:x12)");
    query.SetParam("X1", "PC-1");
    query.SetParam("x3", "00-1A-2B-3C-4D-5E");
    query.SetParam("x12", "");
    query.ExecSQL();
    // The empty text stays the empty text, not a null.
    EXPECT_EQ(Column("bm"), (std::vector<std::optional<std::string>>{""}));
    EXPECT_EQ(Column("djsj").at(0)->size(), 19u);

    query.SetSQL("select count(*) as sl from ip where mac='00-1a-2b-3c-4d-5e'");
    query.Open();
    EXPECT_EQ(query.FieldAsInteger("SL"), 1);
    query.SetSQL("select count(*) as sl from ip where mac='00-1a-2b-3c-4d-5f'");
    query.Open();
    EXPECT_EQ(query.FieldAsInteger("sl"), 0);
}

TEST_F(StatementQueryTest, MacHoldingAQuoteIsBoundNotSpliced) {
    OpenStore();
    Exec("INSERT INTO ip (mac, pcname) VALUES ('a''b', 'one'), ('a', 'two'), ('', 'three')");
    TADOQuery2 query(connection_);
    query.SetSQL("update ip set pcname=:x1 where mac=:m");
    query.SetParam("m", "a'b");
    query.SetParam("x1", "changed");
    query.ExecSQL();
    EXPECT_EQ(Column("pcname"),
              (std::vector<std::optional<std::string>>{"changed", "two", "three"}));
    // A quote-doubled literal reaches only the row whose mac equals it.
    query.SetSQL("select count(*) as sl from ip where mac='a''b'");
    query.Open();
    EXPECT_EQ(query.FieldAsInteger("sl"), 1);
    // Spliced text that closes the literal cannot run a second statement.
    query.SetSQL("select count(*) as sl from ip where mac='x'; delete from ip; --'");
    EXPECT_THROW(query.Open(), StoreError);
    EXPECT_EQ(Count(), 3);
}

TEST_F(StatementQueryTest, FailuresCarryAMessage) {
    TADOQuery2 query(connection_);
    query.SetSQL("select count(*) as sl from ip");
    EXPECT_THROW(query.Open(), StoreError);  // store not open yet
    OpenStore();
    query.Open();
    EXPECT_THROW(query.FieldAsInteger("nosuch"), StoreError);
    query.SetSQL("insert into ip (mac) values (:x3)");
    EXPECT_THROW(query.SetParam("x4", "v"), StoreError);
    EXPECT_THROW(query.ExecSQL(), StoreError);             // x3 has no value
    EXPECT_THROW(query.FieldAsInteger("sl"), StoreError);  // SetSQL closed it
    query.SetSQL("insert into nosuch values (1)");
    try {
        query.ExecSQL();
        FAIL();
    } catch (const StoreError& error) {
        EXPECT_STREQ(error.what(), "no such table: nosuch");
    }
    query.SetSQL("select mac as sl from ip where 0");
    query.Open();
    EXPECT_THROW(query.FieldAsInteger("sl"), StoreError);  // no row
    EXPECT_EQ(Count(), 0);
}

}  // namespace
}  // namespace vantrel::store::testing
