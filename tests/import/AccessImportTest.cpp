// Converting real Access files: every cell as mdb-export shows it (in GBK),
// nulls, dates to the second, the duplicate MAC, the replaced character, the
// original kept byte for byte under a free name; other files left alone.
#include <gtest/gtest.h>
#include <strings.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "AccessFixture.h"
#include "AccessImport.h"
#include "GbkConvert.h"
#include "ImportError.h"
#include "InventoryDatabase.h"

namespace vantrel::import::testing {
namespace {

const std::vector<std::string> kColumns = {
    "pcname", "username", "mac", "ip", "cpu", "board", "os", "pctype", "rammax",
    "rammin", "bios",     "bm",  "dh", "bz",  "yp",    "xk", "djsj"};

// mdb-export's "mm/dd/yy HH:MM:SS" as the store writes it.
std::string StoreDate(const std::string& csv) {
    return "20" + csv.substr(6, 2) + "-" + csv.substr(0, 2) + "-" + csv.substr(3, 2) +
           csv.substr(8);
}

// The CSV's rows as the converted store must hold them.
std::vector<Cells> ExpectedRows(const std::string& csvName, const std::string& fromText,
                                const std::string& toText) {
    std::vector<Cells> csv = ParseCsv(testsupport::ReadFile(AccessData(csvName)));
    std::vector<int> index;
    for (const std::string& column : kColumns) {
        auto it = std::find_if(csv[0].begin(), csv[0].end(), [&](const auto& name) {
            return name && strcasecmp(name->c_str(), column.c_str()) == 0;
        });
        index.push_back(it == csv[0].end() ? -1 : static_cast<int>(it - csv[0].begin()));
    }
    std::vector<Cells> rows;
    for (std::size_t r = 1; r < csv.size(); ++r) {
        Cells row;
        for (std::size_t c = 0; c < kColumns.size(); ++c) {
            std::optional<std::string> value;
            if (index[c] >= 0 && csv[r][static_cast<std::size_t>(index[c])]) {
                std::string utf8 = *csv[r][static_cast<std::size_t>(index[c])];
                if (!fromText.empty() && utf8 == fromText) {
                    utf8 = toText;
                }
                value = kColumns[c] == "djsj" ? StoreDate(utf8) : text::Utf8ToGbk(utf8, nullptr);
            }
            row.push_back(value);
        }
        rows.push_back(row);
    }
    return rows;
}

struct FixtureCase {
    const char* file;
    std::size_t rows;
    std::size_t replaced;
    // mdb-export reads U+1F4BB as "??"; the conversion reads it whole and
    // then replaces it with one '?'.
    const char* csvText;
    const char* fileText;
    friend void PrintTo(const FixtureCase& c, std::ostream* out) { *out << c.file; }
};

class AccessImportTest : public AccessFolder, public ::testing::WithParamInterface<FixtureCase> {};

TEST_P(AccessImportTest, ConvertsEveryCellAndKeepsTheOriginal) {
    const FixtureCase& c = GetParam();
    const std::string original = PlaceFixture(c.file);
    ASSERT_TRUE(AccessImport::IsAccessFile(path_));

    std::optional<AccessImport::Result> result = AccessImport::ConvertIfAccess(path_);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->rows, c.rows);
    EXPECT_EQ(result->replaced, c.replaced);
    EXPECT_EQ(result->keptPath, path_ + ".access");
    EXPECT_EQ(Names(), (std::vector<std::string>{"db.mdb", "db.mdb.access"}));
    EXPECT_EQ(Bytes("db.mdb.access"), original);

    const std::vector<Cells> rows = InventoryRows(path_);
    const std::vector<Cells> expected =
        ExpectedRows(std::string(c.file) + ".csv", c.csvText, c.fileText);
    ASSERT_EQ(rows.size(), c.rows);
    ASSERT_EQ(expected.size(), c.rows);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t col = 0; col < kColumns.size(); ++col) {
            EXPECT_EQ(rows[r][col], expected[r][col]) << "row " << r + 1 << " " << kColumns[col];
        }
    }
    // The store opens the result as any inventory.
    store::InventoryDatabase connection;
    EXPECT_NO_THROW(connection.Open(path_));
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, AccessImportTest,
    ::testing::Values(FixtureCase{"inventory-2000.mdb", 200, 0, "", ""},
                      FixtureCase{"inventory-2003.mdb", 50, 0, "", ""},
                      FixtureCase{"quirks-2000.mdb", 30, 1,
                                  "\xe6\x96\xb0\xe7\x94\xb5\xe8\x84\x91??\xe5\xb7\xb2\xe7\x99\xbb"
                                  "\xe8\xae\xb0",
                                  "\xe6\x96\xb0\xe7\x94\xb5\xe8\x84\x91\xf0\x9f\x92\xbb\xe5\xb7"
                                  "\xb2\xe7\x99\xbb\xe8\xae\xb0"}),
    [](const auto& param) {
        std::string name = param.param.file;
        name.erase(name.find('.'));
        name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
        return name;
    });

// What the CSV cannot show: "" and null alike come out null, the long memo
// keeps its CR LF breaks whole, the odd MAC stays as written, and both rows
// of the duplicate MAC are there.
TEST_F(AccessFolder, QuirksSurviveTheConversion) {
    PlaceFixture("quirks-2000.mdb");
    ASSERT_TRUE(AccessImport::ConvertIfAccess(path_));
    const std::vector<Cells> rows = InventoryRows(path_);
    std::string longest;
    std::size_t emptyText = 0;
    std::map<std::string, int> macs;
    for (const Cells& row : rows) {
        for (const auto& cell : row) {
            emptyText += cell && cell->empty() ? 1 : 0;
        }
        if (row[13] && row[13]->size() > longest.size()) {
            longest = *row[13];
        }
        if (row[2]) {
            ++macs[*row[2]];
        }
    }
    EXPECT_EQ(emptyText, 0u);
    EXPECT_GT(longest.size(), 3000u);
    EXPECT_NE(longest.find("\r\n"), std::string::npos);
    EXPECT_EQ(macs.count("00-1a-2b-00-66-aa"), 1u);
    EXPECT_EQ(std::count_if(macs.begin(), macs.end(), [](const auto& m) { return m.second == 2; }),
              1);
    // The row typed in by hand: only its name, user, department and time.
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const Cells& row) {
                                return row[0] && row[1] && row[11] && row[16] && !row[2] &&
                                       !row[3] && !row[4] && !row[13];
                            }),
              1);
}

TEST_F(AccessFolder, TakenNamesAreSkippedAndLeftAlone) {
    const std::string original = PlaceFixture("inventory-2003.mdb");
    std::ofstream(path_ + ".access") << "older";
    std::ofstream(path_ + ".access.1") << "old";
    std::filesystem::create_symlink("nowhere", path_ + ".access.2");

    std::optional<AccessImport::Result> result = AccessImport::ConvertIfAccess(path_);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->keptPath, path_ + ".access.3");
    EXPECT_EQ(Bytes("db.mdb.access.3"), original);
    EXPECT_EQ(Bytes("db.mdb.access"), "older");
    EXPECT_EQ(Bytes("db.mdb.access.1"), "old");
    EXPECT_EQ(InventoryRows(path_).size(), 50u);
}

TEST_F(AccessFolder, ALinkToTheAccessFileIsNoKeptCopy) {
    // Links that lead to db.mdb itself: once db.mdb is the new inventory,
    // they would lead there too and the Access bytes would be gone.
    const std::string original = PlaceFixture("inventory-2000.mdb");
    std::filesystem::create_symlink("db.mdb", path_ + ".access");
    std::filesystem::create_symlink(path_, path_ + ".access.1");

    std::optional<AccessImport::Result> result = AccessImport::ConvertIfAccess(path_);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->keptPath, path_ + ".access.2");
    EXPECT_EQ(Bytes("db.mdb.access.2"), original);
    EXPECT_EQ(std::filesystem::read_symlink(path_ + ".access"), "db.mdb");
    EXPECT_EQ(std::filesystem::read_symlink(path_ + ".access.1"), path_);
    EXPECT_EQ(InventoryRows(path_).size(), 200u);
}

TEST_F(AccessFolder, OtherFilesAreNotAccessAndStayUntouched) {
    struct Case {
        const char* name;
        std::string bytes;
        bool access;
    };
    const std::string jet = std::string("\x00\x01\x00\x00Standard Jet DB", 19);
    const Case cases[] = {
        {"jet header", jet + std::string(100, '\0'), true},
        {"ace header", std::string("\x00\x01\x00\x00Standard ACE DB", 19), true},
        {"sqlite", "SQLite format 3" + std::string(100, '\0'), false},
        {"cut header", jet.substr(0, 18), false},
        {"no leading bytes", "Standard Jet DB" + std::string(10, '\0'), false},
        {"lower case", std::string("\x00\x01\x00\x00standard jet db", 19), false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        PlaceBytes(c.bytes);
        EXPECT_EQ(AccessImport::IsAccessFile(path_), c.access) << c.name;
        if (!c.access) {
            EXPECT_FALSE(AccessImport::ConvertIfAccess(path_)) << c.name;
            EXPECT_EQ(Bytes("db.mdb"), c.bytes) << c.name;
            EXPECT_EQ(Names(), std::vector<std::string>{"db.mdb"}) << c.name;
        }
    }
    std::filesystem::remove(path_);
    EXPECT_FALSE(AccessImport::ConvertIfAccess(path_));
    EXPECT_TRUE(Names().empty());
}

TEST(AccessImportLog, LinesNameTheFilesAndTheCounts) {
    AccessImport::Result result{200, 0, "/x/db.mdb.access.1"};
    // 已将 Access 数据库 db.mdb 转换为本程序的格式（200 条记录），原文件保存为 db.mdb.access.1
    const std::string first =
        "\xd2\xd1\xbd\xab Access \xca\xfd\xbe\xdd\xbf\xe2 db.mdb \xd7\xaa\xbb\xbb\xce\xaa\xb1\xbe"
        "\xb3\xcc\xd0\xf2\xb5\xc4\xb8\xf1\xca\xbd\xa3\xa8"
        "200 \xcc\xf5\xbc\xc7\xc2\xbc\xa3\xa9\xa3\xac\xd4\xad\xce\xc4\xbc\xfe\xb1\xa3\xb4\xe6\xce"
        "\xaa db.mdb.access.1";
    EXPECT_EQ(result.LogLines("/x/db.mdb"), std::vector<std::string>{first});
    result.replaced = 3;
    // 其中 3 个字符无法用 GBK 表示，已替换为“?”
    EXPECT_EQ(result.LogLines("/x/db.mdb"),
              (std::vector<std::string>{first,
                                        "\xc6\xe4\xd6\xd0 3 \xb8\xf6\xd7\xd6\xb7\xfb\xce"
                                        "\xde\xb7\xa8\xd3\xc3 GBK \xb1\xed\xca\xbe\xa3"
                                        "\xac\xd2\xd1\xcc\xe6\xbb\xbb\xce\xaa\xa1\xb0?"
                                        "\xa1\xb1"}));
}

}  // namespace
}  // namespace vantrel::import::testing
