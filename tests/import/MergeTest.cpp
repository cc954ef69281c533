// The merge into an inventory that holds rows already: update against
// only-add, the history of what an import overwrites, and all or nothing.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "ImportFixture.h"
#include "StoreError.h"

namespace vantrel::import::testing {
namespace {

class MergeTest : public ImportFixture {
  protected:
    void SetUp() override {
        ImportFixture::SetUp();
        Exec(
            "insert into ip (pcname,mac,bm,dh,bz) values ('old-1','00-1A-2B-3C-4D-5E','A','1',"
            "'keep')");
        Exec("insert into ip (pcname,mac,bm) values ('old-2','00-1A-2B-3C-4D-60','B')");
        // The file's MACs differ in letter case: reports compare without it.
        file_ = Write("office.csv",
                      "pcname,mac,bm,dh,bz\r\n"
                      "new-1,00-1a-2b-3c-4d-5e,A2,1,\r\n"  // pcname and bm change; bz stays
                      "old-2,00-1A-2B-3C-4D-60,B,,\r\n"    // nothing changes
                      "fresh,00-1A-2B-3C-4D-70,C,2,\r\n"   // new
                      "nomac,,D,,\r\n"                     // new, keyed by nothing
                      ",,E,,\r\n"                          // problem: no MAC, no name
                      "bad,00-1A-2B,F,,\r\n"               // problem: not a MAC
                      "short,00-1A-2B-3C-4D-71\r\n");      // problem: column count
    }
    std::string file_;
};

TEST_F(MergeTest, UpdateWritesMappedNonEmptyValuesAndTheirHistory) {
    const ImportCounts preview = Import(file_, false);
    const ImportCounts done = Import(file_);
    for (const ImportCounts& c : {preview, done}) {
        EXPECT_EQ(c.added, 2u);
        EXPECT_EQ(c.updated, 1u);
        EXPECT_EQ(c.unchanged, 1u);
        EXPECT_EQ(c.problems, 3u);
        ASSERT_EQ(c.listed.size(), 3u);
        EXPECT_EQ(c.listed[0].row, 6u);
        EXPECT_EQ(c.listed[2].row, 8u);
    }
    EXPECT_EQ(SummaryLine(G("办公室电脑.csv"), done),
              G("已从 办公室电脑.csv 导入：新增 2 台，更新 1 台，跳过 4 行"));
    EXPECT_EQ(Query("select pcname,mac,bm,dh,bz from ip order by rowid"),
              (std::vector<Cells>{{"new-1", "00-1A-2B-3C-4D-5E", "A2", "1", "keep"},
                                  {"old-2", "00-1A-2B-3C-4D-60", "B", std::nullopt, std::nullopt},
                                  {"fresh", "00:1A:2B:3C:4D:70", "C", "2", std::nullopt},
                                  {"nomac", std::nullopt, "D", std::nullopt, std::nullopt}}));
    EXPECT_EQ(Query("select mac,field,oldvalue,newvalue,changetime,address from ip_history "
                    "order by id"),
              (std::vector<Cells>{{"00-1A-2B-3C-4D-5E", "pcname", "old-1", "new-1",
                                   "2026-12-09 10:00:00", G("导入：office.csv")},
                                  {"00-1A-2B-3C-4D-5E", "bm", "A", "A2", "2026-12-09 10:00:00",
                                   G("导入：office.csv")}}));
    // Again: the rows without a MAC are found by their name and values.
    const ImportCounts again = Import(file_);
    EXPECT_EQ(again.added + again.updated, 0u);
    EXPECT_EQ(Query("select count(*) from ip_history"), (std::vector<Cells>{{"2"}}));
}

TEST_F(MergeTest, OnlyAddLeavesExistingRowsAlone) {
    const ImportCounts done = Import(file_, true, false);
    EXPECT_EQ(done.added, 2u);
    EXPECT_EQ(done.updated, 0u);
    EXPECT_EQ(done.kept, 2u);
    EXPECT_EQ(Query("select pcname,bm from ip where mac='00-1A-2B-3C-4D-5E'"),
              (std::vector<Cells>{{"old-1", "A"}}));
    EXPECT_TRUE(Query("select * from ip_history").empty());
}

TEST_F(MergeTest, FailureMidwayOrCancelStoresNothing) {
    const auto before = Query("select * from ip order by rowid");
    // A write that the database refuses on the third row, as a full disk
    // or a damaged file would.
    Exec(
        "create trigger refuse before insert on ip when new.pcname='nomac' "
        "begin select raise(abort, 'disk I/O error'); end");
    EXPECT_THROW(Import(file_), store::StoreError);
    EXPECT_EQ(Query("select * from ip order by rowid"), before);
    EXPECT_TRUE(Query("select * from ip_history").empty());
    Exec("drop trigger refuse");

    // A full disk: the file may not grow past its pages.
    {
        auto lock = connection_.Lock();
        ASSERT_EQ(sqlite3_exec(connection_.Handle(), "pragma max_page_count=1", nullptr, nullptr,
                               nullptr),
                  SQLITE_OK);
    }
    std::string big = "pcname,mac,bz\r\n";
    for (int i = 0; i < 2000; ++i) {
        big += "pc" + std::to_string(i) + ",," + std::string(200, 'x') + "\r\n";
    }
    EXPECT_THROW(Import(Write("big.csv", big)), store::StoreError);
    EXPECT_EQ(Query("select * from ip order by rowid"), before);

    // A cancel between two rows.
    std::atomic<bool> cancel{true};
    store::InventoryMerge merge(connection_);
    RunOptions options;
    options.write = true;
    options.cancel = &cancel;
    EXPECT_THROW(RunImport(file_, 0, ReadPreview(file_).mapping, merge, options), ImportCancelled);
    EXPECT_EQ(Query("select * from ip order by rowid"), before);
}

// The file is read on a thread of its own while rows are merged: a file
// that turns out broken far into it, or a cancel while rows are being
// merged, must still leave the inventory as it was, and a count stops
// the same way.
TEST_F(MergeTest, LateReadingFailureOrCancelStoresNothing) {
    const auto before = Query("select * from ip order by rowid");
    std::string rows;
    for (int i = 0; i < 3000; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "pc%d,00-1B-00-00-%02X-%02X\r\n", i, i >> 8, i & 255);
        rows += line;
    }
    const std::string good = Write("good.csv", "pcname,mac\r\n" + rows);
    const std::string badCsv =
        Write("late.csv", "pcname,mac\r\n" + rows + "x," + std::string(2 << 20, 'y') + "\r\n");
    // A sheet cut off after its rows, as an interrupted copy leaves it.
    std::string sheet =
        "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is>"
        "<t>pcname</t></is></c></row>";
    for (int i = 2; i < 3000; ++i) {
        sheet += "<row r=\"" + std::to_string(i) + "\"><c r=\"A" + std::to_string(i) +
                 "\" t=\"inlineStr\"><is><t>pc" + std::to_string(i) + "</t></is></c></row>";
    }
    const std::string xml = Write("sheet1.xml", sheet + "<row r=\"3000\"><c r=\"A3000\"");
    const std::string badXlsx = dir_ + "/late.xlsx";
    const std::string py =
        Write("zip.py",
              "import sys, zipfile\n"
              "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
              "z.writestr('xl/workbook.xml', '<workbook><sheets><sheet name=\"a\" r:id=\"rId1\"/>"
              "</sheets></workbook>')\n"
              "z.write(sys.argv[2], 'xl/worksheets/sheet1.xml')\n"
              "z.close()\n");
    ASSERT_EQ(std::system(("/usr/bin/python3 " + py + " " + badXlsx + " " + xml).c_str()), 0);

    for (const std::string& file : {badCsv, badXlsx}) {
        SCOPED_TRACE(file);
        const std::string message = ImportFailure(file);
        EXPECT_FALSE(message.empty());
        EXPECT_EQ(Query("select * from ip order by rowid"), before);
    }
    for (const bool write : {true, false}) {
        SCOPED_TRACE(write);
        std::atomic<bool> cancel{false};
        std::size_t seen = 0;
        {
            store::InventoryMerge merge(connection_);
            RunOptions options;
            options.write = write;
            options.cancel = &cancel;
            options.progress = [&](std::size_t done, double) {
                seen = done;
                cancel = done >= 1024;
            };
            EXPECT_THROW(RunImport(good, 0, ReadPreview(good).mapping, merge, options),
                         ImportCancelled);
        }
        EXPECT_EQ(seen, 1024u);
        EXPECT_EQ(Query("select * from ip order by rowid"), before);
    }
}

}  // namespace
}  // namespace vantrel::import::testing
