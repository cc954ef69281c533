// Workbooks written at test time by openpyxl and by LibreOffice (which
// also computes the formula's cached value), read as the import reads
// them: Chinese titles and synonyms, numbers without ".0", dates, a
// formula and a merged cell. The .xls reads the same as the .xlsx.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "ImportFixture.h"
#include "SheetReader.h"

namespace vantrel::import::testing {
namespace {

class RealWritersTest : public ImportFixture {
  protected:
    // The workbooks are made once: LibreOffice takes seconds to start.
    static void SetUpTestSuite() {
        std::string pattern = (std::filesystem::temp_directory_path() / "books-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        books_ = pattern;
        const std::string script = std::string(VANTREL_TEST_DATA) + "/import/make_workbook.py";
        if (std::system(("/usr/bin/python3 " + script + " " + books_ + "/openpyxl.xlsx").c_str()) !=
            0) {
            return;
        }
        for (const char* format : {"xlsx", "xls"}) {
            const std::string out = books_ + "/lo-" + format;
            const std::string command = "cd " + books_ + " && HOME=" + books_ +
                                        " libreoffice -env:UserInstallation=file://" + books_ +
                                        "/profile --headless --convert-to " + format +
                                        " --outdir " + out + " openpyxl.xlsx >/dev/null 2>&1";
            if (std::system(command.c_str()) != 0) {
                return;
            }
        }
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(books_); }

    static std::string Book(const std::string& name) {
        const std::string path = books_ + "/" + name;
        return std::filesystem::exists(path) ? path : std::string();
    }

    static inline std::string books_;
};

TEST_F(RealWritersTest, WorkbooksOfEveryWriterImport) {
    struct Book {
        std::string path;
        bool formulaComputed;
    };
    const Book books[] = {
        {RealWritersTest::Book("openpyxl.xlsx"), false},
        {RealWritersTest::Book("lo-xlsx/openpyxl.xlsx"), true},
        {RealWritersTest::Book("lo-xls/openpyxl.xls"), true},
    };
    for (const Book& book : books) {
        if (book.path.empty()) {
            GTEST_SKIP() << "openpyxl or LibreOffice could not write the workbooks";
        }
        SCOPED_TRACE(book.path);
        EXPECT_EQ(SheetNames(book.path), (std::vector<std::string>{G("电脑"), G("别的")}));

        const SheetPreview preview = ReadPreview(book.path);
        ASSERT_EQ(preview.titles.size(), 9u);
        const auto column = [](std::string_view name) -> std::optional<std::size_t> {
            for (std::size_t i = 0; i < protocol::kIpColumns.size(); ++i) {
                if (protocol::kIpColumns[i].name == name) {
                    return i;
                }
            }
            return std::nullopt;
        };
        const ColumnMapping expected{column("pcname"), column("username"), column("mac"),
                                     column("bm"),     column("dh"),       column("rammax"),
                                     column("djsj"),   column("bz"),       std::nullopt};
        EXPECT_EQ(preview.mapping, expected);
        ASSERT_EQ(preview.rows.size(), 2u);
        const std::vector<std::string>& first = preview.rows[0];
        EXPECT_EQ(first[0], G("财务-01"));
        EXPECT_EQ(first[4], "8659");
        EXPECT_EQ(first[5], "8192");
        EXPECT_EQ(first[6], "2024-03-05 14:30:00");
        EXPECT_EQ(first[7], book.formulaComputed ? "PC-01" : "");
        EXPECT_EQ(first[8], "17");
        const std::vector<std::string>& second = preview.rows[1];
        EXPECT_EQ(second[3], G("财务部")) << "merged: the first cell's value";
        EXPECT_EQ(second[5], "16384");
        EXPECT_EQ(second[6], "2024-03-06 09:00:00");
        EXPECT_EQ(second[7], G("带 \"引号\""));

        Exec("delete from ip");
        const ImportCounts counts = Import(book.path);
        EXPECT_EQ(counts.added, 2u);
        EXPECT_EQ(Query("select dh, rammax from ip where mac='00:1A:2B:3C:4D:5F'"),
                  (std::vector<Cells>{{"8660", "16384"}}));
    }
}

}  // namespace
}  // namespace vantrel::import::testing
