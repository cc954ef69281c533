// The statements built from the column table: their exact text, and the
// report value SQLite binds to each parameter.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "IpStatements.h"
#include "SqliteStatement.h"
#include "StoreFixture.h"

namespace vantrel::store::testing {
namespace {

using ReportStatements = StoreFixture;

TEST_F(ReportStatements, TextsAreTheKnownOnesAndEachParameterBindsItsColumn) {
    const struct {
        ReportStatement statement;
        std::string sql;
    } cases[] = {
        {ReportCountStatement(), "select count(*) as sl from ip where mac=:x3"},
        {ReportUpdateStatement(),
         "update ip set pcname=:x1,username=:x2,ip=:x4,cpu=:x5,board=:x6,os=:x7,pctype=:x8,"
         "rammax=:x9,rammin=:x10,bios=:x11,bm=:x12,dh=:x13,bz=:x14,yp=:x15,xk=:x16 where "
         "mac=:x3"},
        {ReportInsertStatement(),
         "insert into ip (pcname,username,mac,ip,cpu,board,os,pctype,rammax,rammin,bios,bm,dh,bz,"
         "yp,xk) values (:x1,:x2,:x3,:x4,:x5,:x6,:x7,:x8,:x9,:x10,:x11,:x12,:x13,:x14,:x15,:x16)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.statement.sql, c.sql);
        SqliteStatement prepared(Raw(), c.statement.sql);
        ASSERT_EQ(sqlite3_bind_parameter_count(prepared.Get()),
                  static_cast<int>(c.statement.columns.size()))
            << c.sql;
        for (std::size_t k = 0; k < c.statement.columns.size(); ++k) {
            const std::size_t column = c.statement.columns[k];
            EXPECT_EQ(
                std::string(sqlite3_bind_parameter_name(prepared.Get(), static_cast<int>(k) + 1)),
                ":x" + std::to_string(column + 1))
                << c.sql;
        }
    }
    EXPECT_EQ(
        FullRowInsertSql(),
        "INSERT INTO ip (pcname, username, mac, ip, cpu, board, os, pctype, rammax, rammin, "
        "bios, bm, dh, bz, yp, xk, djsj) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?, ?)");
}

}  // namespace
}  // namespace vantrel::store::testing
