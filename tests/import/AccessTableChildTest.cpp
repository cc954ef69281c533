// The program's side of the Access reader's frames: a reader (a stand-in
// shell script here) that sends what was not agreed is refused, however it
// goes wrong, and what it sends is never trusted for a size.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "AccessTableChild.h"

namespace vantrel::import {
namespace {

// A table of one stored-text column with `rows` rows recorded, Jet 4.
std::string TableFrame(int rows) {
    return "printf 'T\\007\\000\\000\\000\\000\\" + std::string(rows == 1 ? "001" : "000") +
           "\\000\\000\\000\\001\\001';";
}

class AccessTableChildTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "reader-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // A reader that runs `script` whatever it is asked.
    std::string Reader(const std::string& script) {
        const std::string path = dir_ + "/reader";
        std::ofstream(path, std::ios::trunc) << "#!/bin/sh\n" << script << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }

    std::string dir_;
};

TEST_F(AccessTableChildTest, AReaderThatBreaksTheFramesIsRefused) {
    struct Case {
        const char* name;
        std::string script;
    };
    const Case cases[] = {
        {"rows before the table", "printf 'D\\004\\000\\000\\000\\000\\000\\000\\000'"},
        {"a frame of 2 GB", "printf 'T\\377\\377\\377\\177'"},
        {"the wrong number of columns",
         "printf 'T\\007\\000\\000\\000\\000\\000\\000\\000\\000\\002\\001'"},
        {"a row the table does not record", TableFrame(0) + "printf 'R\\001\\000\\000\\000\\000'"},
        {"a value longer than its row",
         TableFrame(1) + "printf 'R\\005\\000\\000\\000\\001\\377\\377\\377\\177'"},
        {"a row with a value too many", TableFrame(1) + "printf 'R\\002\\000\\000\\000\\000\\000'"},
        {"the end of the rows missing", TableFrame(1) + "printf 'R\\001\\000\\000\\000\\000'"},
        {"a count other than the rows sent",
         TableFrame(1) +
             "printf 'R\\001\\000\\000\\000\\000D\\004\\000\\000\\000\\002\\000\\000\\000'"},
        {"an error of no known kind",
         TableFrame(1) +
             "printf 'E\\011\\000\\000\\000\\177\\000\\000\\000\\000\\000\\000\\000\\000'"},
    };
    ChildProcess::Limits limits;
    limits.time = std::chrono::seconds(20);
    for (const Case& c : cases) {
        try {
            AccessTableChild table("db.mdb", "ip", {"mac"}, limits, Reader(c.script));
            AccessTable::Row row;
            while (table.Next(row)) {
            }
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const ChildProcess::Failure& failure) {
            EXPECT_EQ(failure.kind(), ChildProcess::Failure::Kind::BadOutput)
                << c.name << ": " << failure.what();
        }
    }
}

TEST_F(AccessTableChildTest, RowsAndTheReadersRefusalComeThrough) {
    ChildProcess::Limits limits;
    limits.time = std::chrono::seconds(20);
    // One row "ab", then the reader's refusal of row 1 as too long.
    AccessTableChild table(
        "db.mdb", "ip", {"mac"}, limits,
        Reader(TableFrame(1) + "printf 'R\\007\\000\\000\\000\\001\\002\\000\\000\\000ab';"
                               "printf 'E\\015\\000\\000\\000\\007\\001\\000\\000\\000\\001"
                               "\\000\\000\\000long'"));
    EXPECT_TRUE(table.IsStoredText(0));
    EXPECT_FALSE(table.Jet3());
    EXPECT_EQ(table.ExpectedRows(), 1u);
    AccessTable::Row row;
    ASSERT_TRUE(table.Next(row));
    EXPECT_EQ(row, AccessTable::Row{std::string("ab")});
    try {
        table.Next(row);
        ADD_FAILURE() << "no refusal";
    } catch (const AccessTable::Error& error) {
        EXPECT_EQ(error.kind(), AccessTable::Error::Kind::ValueTooLong);
        EXPECT_STREQ(error.what(), "long");
        EXPECT_EQ(table.ErrorRow(), 1u);
    }
}

}  // namespace
}  // namespace vantrel::import
