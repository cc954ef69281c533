// MACs in an office's list as Windows, switches and other tools write
// them, placeholders that are no MAC, and a list that names one PC twice:
// the preview's counts and the import's must agree, and both must match
// what the inventory ends up holding.

#include <gtest/gtest.h>

#include <random>

#include "ImportFixture.h"
#include "MacText.h"

namespace vantrel::import::testing {
namespace {

using MergeMacTest = ImportFixture;

TEST(MacText, NotationsReadAsOneAddress) {
    const std::uint64_t bits = 0x024F'0000'0A01u;
    for (const char* text :
         {"02:4F:00:00:0A:01", "02-4F-00-00-0A-01", "02-4f-00-00-0a-01", "024f.0000.0a01",
          "024F00000A01", "02.4F.00.00.0A.01", "024F-0000-0A01"}) {
        EXPECT_EQ(inventory::MacBits(text), bits) << text;
    }
    for (const char* text :
         {"", "02:4F:00:00:0A", "02:4F-00:00:0A:01", "024f.0000:0a01", "024f0.000.0a01",
          "02:4F:00:00:0A:0G", "02 4F 00 00 0A 01", "024F00000A01F"}) {
        EXPECT_FALSE(inventory::MacBits(text)) << text;
    }
    EXPECT_EQ(inventory::MacTextOf(bits), "02:4F:00:00:0A:01");
    EXPECT_EQ(inventory::MacNotations(bits),
              (std::array<std::string, 5>{"02:4F:00:00:0A:01", "02-4F-00-00-0A-01",
                                          "02.4F.00.00.0A.01", "024F.0000.0A01", "024F00000A01"}));
    EXPECT_TRUE(inventory::IsPlaceholderMac(*inventory::MacBits("00-00-00-00-00-00")));
    EXPECT_TRUE(inventory::IsPlaceholderMac(*inventory::MacBits("ffff.ffff.ffff")));
    EXPECT_FALSE(inventory::IsPlaceholderMac(bits));
}

// Each notation finds the row a report made (stored with colons) and the
// row an older file stored in another notation; neither stored MAC changes.
TEST_F(MergeMacTest, EveryNotationUpdatesTheStoredRow) {
    const char* notations[] = {"02-4F-00-00-0A-01", "02-4f-00-00-0a-01", "024f.0000.0a01",
                               "024F00000A01",      "02.4f.00.00.0a.01", "02:4f:00:00:0a:01"};
    int round = 0;
    for (const char* mac : notations) {
        SCOPED_TRACE(mac);
        Exec(
            "delete from ip; delete from ip_history;"
            "insert into ip (pcname,mac,bm) values ('pc','02:4F:00:00:0A:01','A'),"
            "('old','024f.0000.0a02','B')");
        const std::string digits = inventory::MacNotations(*inventory::MacBits(mac))[4];
        const std::string other = digits.substr(0, 11) + "2";  // the row stored with dots
        const std::string file = Write(
            "list" + std::to_string(++round) + ".csv",
            "pcname,mac,bm\r\nrenamed," + std::string(mac) + ",A2\r\nold2," + other + ",B\r\n");
        for (const bool write : {false, true}) {
            const ImportCounts counts = Import(file, write);
            EXPECT_EQ(counts.added, 0u);
            EXPECT_EQ(counts.updated, 2u);
            EXPECT_EQ(counts.repeated, 0u);
        }
        EXPECT_EQ(Query("select pcname,mac,bm from ip order by rowid"),
                  (std::vector<Cells>{{"renamed", "02:4F:00:00:0A:01", "A2"},
                                      {"old2", "024f.0000.0a02", "B"}}));
        EXPECT_EQ(Query("select mac,field,oldvalue,newvalue from ip_history order by id"),
                  (std::vector<Cells>{{"02:4F:00:00:0A:01", "pcname", "pc", "renamed"},
                                      {"02:4F:00:00:0A:01", "bm", "A", "A2"},
                                      {"024f.0000.0a02", "pcname", "old", "old2"}}));
    }
}

// A new PC named twice in two notations is one row with the later values,
// written as reports write MACs; the preview says so and counts it once.
TEST_F(MergeMacTest, OnePcNamedTwiceIsOneRowWithTheLaterValues) {
    Exec("insert into ip (pcname,mac,bm,dh) values ('kept','02:4F:00:00:0B:01','A','1')");
    const std::string file = Write("twice.csv",
                                   "pcname,mac,bm,dh\r\n"
                                   "first,02-4F-00-00-0A-09,X,7\r\n"
                                   "kept,02:4F:00:00:0B:01,A,1\r\n"  // unchanged at first
                                   "second,024f.0000.0a09,Y,\r\n"    // the later row wins
                                   "kept,024F00000B01,A,2\r\n");     // then changed
    const ImportCounts preview = Import(file, false);
    const ImportCounts done = Import(file);
    for (const ImportCounts& c : {preview, done}) {
        EXPECT_EQ(c.rows, 4u);
        EXPECT_EQ(c.added, 1u);
        EXPECT_EQ(c.updated, 1u);
        EXPECT_EQ(c.unchanged, 0u);
        EXPECT_EQ(c.repeated, 2u);
        ASSERT_EQ(c.repeats.size(), 2u);
        EXPECT_EQ(c.repeats[0].row, 4u);
        EXPECT_EQ(c.repeats[1].row, 5u);
        EXPECT_NE(c.repeats[0].reason.find("02:4F:00:00:0A:09"), std::string::npos);
    }
    EXPECT_NE(CountsLine(preview).find(G("MAC 重复 2 行")), std::string::npos);
    EXPECT_EQ(RowLines(preview).size(), 2u);
    EXPECT_EQ(
        SummaryLine("twice.csv", done),
        G("已从 twice.csv 导入：新增 1 台，更新 1 台，跳过 0 行，MAC 重复 2 行（以后面的行为准）"));
    EXPECT_EQ(Query("select pcname,mac,bm,dh from ip order by rowid"),
              (std::vector<Cells>{{"kept", "02:4F:00:00:0B:01", "A", "2"},
                                  {"second", "02:4F:00:00:0A:09", "Y", "7"}}));
    // The new PC has no history; the old one has its old value.
    EXPECT_EQ(Query("select mac,field,oldvalue,newvalue from ip_history"),
              (std::vector<Cells>{{"02:4F:00:00:0B:01", "dh", "1", "2"}}));
}

// Placeholders are rows without a MAC: five PCs are five rows, none in
// another's history, and importing the list again adds nothing.
TEST_F(MergeMacTest, PlaceholderMacsAreRowsWithoutAMac) {
    const std::string file = Write("zeros.csv",
                                   "pcname,mac,bm\r\n"
                                   "a,00-00-00-00-00-00,1\r\n"
                                   "b,000000000000,2\r\n"
                                   "c,FF-FF-FF-FF-FF-FF,3\r\n"
                                   "d,ffff.ffff.ffff,4\r\n"
                                   "e,00:00:00:00:00:00,5\r\n"
                                   ",00-00-00-00-00-00,6\r\n");  // neither MAC nor name
    const ImportCounts preview = Import(file, false);
    const ImportCounts done = Import(file);
    for (const ImportCounts& c : {preview, done}) {
        EXPECT_EQ(c.added, 5u);
        EXPECT_EQ(c.problems, 1u);
        EXPECT_EQ(c.repeated, 0u);
    }
    EXPECT_EQ(Query("select pcname,mac,bm from ip order by rowid"),
              (std::vector<Cells>{{"a", std::nullopt, "1"},
                                  {"b", std::nullopt, "2"},
                                  {"c", std::nullopt, "3"},
                                  {"d", std::nullopt, "4"},
                                  {"e", std::nullopt, "5"}}));
    EXPECT_TRUE(Query("select * from ip_history").empty());
    const ImportCounts again = Import(file);
    EXPECT_EQ(again.added + again.updated, 0u);
    EXPECT_EQ(again.unchanged, 5u);
}

// Lists drawn at random from a few MACs in mixed notations, a few PC
// names without MAC and a few values, against an inventory that holds some
// of them: whatever the repeats, the preview counts what the import does.
TEST_F(MergeMacTest, PreviewAndImportCountAlikeOnRandomLists) {
    std::mt19937 random(20261209);
    const auto pick = [&random](int n) { return static_cast<int>(random() % n); };
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        Exec(
            "delete from ip; delete from ip_history;"
            "insert into ip (pcname,mac,bm) values ('s1','02:4F:00:00:00:01','A'),"
            "('s2','02-4f-00-00-00-02','B'),('m1',null,'A'),('m2','','C')");
        std::string list = "pcname,mac,bm,dh\r\n";
        const int rows = 1 + pick(12);
        for (int r = 0; r < rows; ++r) {
            std::string mac;
            if (pick(4) != 0) {
                const auto bits = static_cast<std::uint64_t>(0x024F'0000'0001u + pick(4));
                mac = inventory::MacNotations(bits)[static_cast<std::size_t>(pick(5))];
            } else if (pick(2) == 0) {
                mac = "00-00-00-00-00-00";
            }
            const char* values[] = {"", "A", "B", "C"};
            list += std::string(pick(3) == 0 ? "" : (pick(2) == 0 ? "s1" : "m1")) + "," + mac +
                    "," + values[pick(4)] + "," + values[pick(4)] + "\r\n";
        }
        const std::string file = Write("random" + std::to_string(round) + ".csv", list);
        for (const bool update : {true, false}) {
            SCOPED_TRACE(list);
            SCOPED_TRACE(update);
            const auto before = Query("select * from ip order by rowid");
            const ImportCounts preview = Import(file, false, update);
            const ImportCounts done = Import(file, true, update);
            EXPECT_EQ(preview.added, done.added);
            EXPECT_EQ(preview.updated, done.updated);
            EXPECT_EQ(preview.unchanged, done.unchanged);
            EXPECT_EQ(preview.kept, done.kept);
            EXPECT_EQ(preview.repeated, done.repeated);
            EXPECT_EQ(preview.problems, done.problems);
            const auto after = Query("select * from ip order by rowid");
            EXPECT_EQ(after.size(), before.size() + done.added);
            if (done.added + done.updated == 0) {
                EXPECT_EQ(after, before);
            }
        }
    }
}

}  // namespace
}  // namespace vantrel::import::testing
