// Every export format read back by real programs: LibreOffice (Calc for the
// spreadsheets and the separated values, Writer for RTF) and
// headless Chromium for HTML. The cells they read must be the grid's,
// Chinese text included. Skipped where the programs are not installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "ExportGridToFile.h"
#include "FakeGrid.h"
#include "GbkConvert.h"
#include "OnlineListExport.h"
#include "TestFiles.h"

namespace vantrel::exporter::test {
namespace {

using testsupport::ReadFile;

namespace fs = std::filesystem;

bool OnPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command with a time limit; its standard output.
std::string RunCommand(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(("timeout 180 " + command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    ::pclose(pipe);
    return output;
}

std::string Quote(const std::string& text) {
    return "'" + text + "'";
}

// Grid values in GBK, with characters whose trail byte is '\' or '{' and
// the characters each format must protect.
FakeGrid SampleGrid() {
    FakeGrid grid;
    grid.AddColumn(kBuMen, 62);
    grid.AddColumn("\xca\xb9\xd3\xc3\xd5\xdf", 50);  // 使用者
    grid.AddColumn("n", 40, FieldKind::Integer);
    grid.AddColumn("\xb1\xb8\xd7\xa2", 60);  // 备注
    grid.rows = {
        {"\xb2\xc6\xce\xf1\xb2\xbf", "\xd5\xc5\xc8\xfd", "5", "a<b&c"},   // 财务部 张三
        {"\x95\x5c\x99\x7b", "x{y}\\z", "-7", "say \"hi\"; ok"},          // 昞 檣 (trail \ {)
        {"\xbc\xbc\xca\xf5\xb2\xbf", std::nullopt, std::nullopt, "end"},  // 技术部
    };
    return grid;
}

// The sample's cells as UTF-8, title row first; numbers as their text.
std::vector<std::vector<std::string>> ExpectedCells(const FakeGrid& grid) {
    std::vector<std::vector<std::string>> cells(1);
    for (const ExportColumn& column : grid.columns) {
        cells[0].push_back(text::GbkToUtf8(column.caption));
    }
    for (const FakeGrid::Row& row : grid.rows) {
        std::vector<std::string>& out = cells.emplace_back();
        for (const auto& value : row) {
            out.push_back(value ? text::GbkToUtf8(*value) : "");
        }
    }
    return cells;
}

// A comma-separated file as LibreOffice writes it (UTF-8, quotes around
// fields that need them) split into cells.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    bool any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        any = true;
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(field);
            field.clear();
        } else if (c == '\n') {
            row.push_back(field);
            rows.push_back(row);
            row.clear();
            field.clear();
            any = false;
        } else if (c != '\r') {
            field += c;
        }
    }
    if (any) {
        row.push_back(field);
        rows.push_back(row);
    }
    return rows;
}

class RealReader : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/vantrel-readers-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    static void TearDownTestSuite() {
        if (std::getenv("VANTREL_KEEP_READER_FILES") == nullptr) {
            fs::remove_all(dir_);
        }
    }

    // LibreOffice converts `inputs` to `target` in `out`; an own profile
    // keeps it away from any other instance.
    static void Convert(const std::vector<std::string>& inputs, const std::string& target,
                        const std::string& out, const std::string& infilter = "") {
        std::string command = "soffice --headless --norestore -env:UserInstallation=file://" +
                              dir_.string() + "/profile";
        if (!infilter.empty()) {
            command += " --infilter=" + Quote(infilter);
        }
        command += " --convert-to " + Quote(target) + " --outdir " + Quote(out);
        for (const std::string& input : inputs) {
            command += " " + Quote(input);
        }
        RunCommand(command);
    }

    static fs::path dir_;
};

fs::path RealReader::dir_;

TEST_F(RealReader, CalcReadsEverySpreadsheetAndSeparatedFile) {
    if (!OnPath("soffice")) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }
    FakeGrid grid = SampleGrid();
    const fs::path in = dir_ / "calc";
    fs::create_directories(in);
    ExportGridToFile(WriterKind::Xls, grid, in / "grid.xls", true);
    ExportGridToFile(WriterKind::Csv, grid, in / "grid.csv", true);
    ExportGridToFile(WriterKind::Text, grid, in / "grid.txt", true);
    TextTable list = {{"PC\xd6\xf7\xbb\xfa\xc3\xfb", "IP", "MAC", "\xcc\xee"},
                      {"PC1   ", "127.0.0.2", "00-11", "\xd5\xc5\xc8\xfd \xd2\xd1\xcc\xe1\xbd\xbb"},
                      {"", "127.0.0.3", "00-12", ""}};
    WriteOnlineList(SheetFormat::Xlsx, in / "list.xlsx", list);
    WriteOnlineList(SheetFormat::Xls, in / "list2.xls", list);

    const std::string utf8Csv = "csv:Text - txt - csv (StarCalc):44,34,76,1";
    const fs::path out = dir_ / "calc-out";
    Convert({in / "grid.xls", in / "list.xlsx", in / "list2.xls"}, utf8Csv, out);
    const auto expected = ExpectedCells(grid);
    EXPECT_EQ(ParseCsv(ReadFile(out / "grid.csv")), expected);
    std::vector<std::vector<std::string>> listCells;
    for (const auto& row : list) {
        auto& cells = listCells.emplace_back();
        for (const auto& cell : row) {
            cells.push_back(text::GbkToUtf8(cell));
        }
    }
    EXPECT_EQ(ParseCsv(ReadFile(out / "list.csv")), listCells);
    EXPECT_EQ(ParseCsv(ReadFile(out / "list2.csv")), listCells);
    // Columns 1 to 3 share their own (wider) width; column 4 keeps the default.
    const fs::path flat = dir_ / "calc-flat";
    Convert({in / "list.xlsx", in / "list2.xls"}, "fods", flat);
    for (const char* name : {"list.fods", "list2.fods"}) {
        const std::string sheet = ReadFile(flat / name);
        EXPECT_NE(sheet.find("<table:table-column table:style-name=\"co1\" "
                             "table:number-columns-repeated=\"3\""),
                  std::string::npos)
            << name;
        EXPECT_NE(sheet.find("<table:table-column table:style-name=\"co2\""), std::string::npos);
    }

    // The separated values, read as GBK: semicolons and quotes, or tabs.
    const fs::path csvOut = dir_ / "csv-out";
    Convert({in / "grid.csv"}, utf8Csv, csvOut, "Text - txt - csv (StarCalc):59,34,61,1");
    EXPECT_EQ(ParseCsv(ReadFile(csvOut / "grid.csv")), expected);
    const fs::path txtOut = dir_ / "txt-out";
    Convert({in / "grid.txt"}, utf8Csv, txtOut, "Text - txt - csv (StarCalc):9,0,61,1");
    EXPECT_EQ(ParseCsv(ReadFile(txtOut / "grid.csv")), expected);
}

// The cells in reading order, as Writer's plain text puts them: one
// paragraph per cell. An empty HTML cell holds a no-break space.
std::vector<std::string> TextLines(std::string text) {
    if (text.rfind("\xef\xbb\xbf", 0) == 0) {
        text.erase(0, 3);
    }
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line == "\xc2\xa0" ? "" : line);
    }
    while (!lines.empty() && lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

std::vector<std::string> Flattened(const std::vector<std::vector<std::string>>& cells) {
    std::vector<std::string> flat;
    for (const auto& row : cells) {
        flat.insert(flat.end(), row.begin(), row.end());
    }
    return flat;
}

// The text of every <td> of a DOM that Chromium serialised.
std::vector<std::string> DomCells(const std::string& dom) {
    std::vector<std::string> cells;
    for (std::size_t at = dom.find("<td"); at != std::string::npos; at = dom.find("<td", at)) {
        const std::size_t end = dom.find("</td>", at);
        std::string cell;
        bool inTag = false;
        for (std::size_t i = dom.find('>', at) + 1; i < end; ++i) {
            if (dom[i] == '<') {
                inTag = true;
            } else if (dom[i] == '>') {
                inTag = false;
            } else if (!inTag) {
                cell += dom[i];
            }
        }
        const std::pair<std::string, std::string> entities[] = {
            {"&nbsp;", ""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}};
        for (const auto& [entity, value] : entities) {
            for (std::size_t p = cell.find(entity); p != std::string::npos;
                 p = cell.find(entity, p + value.size())) {
                cell.replace(p, entity.size(), value);
            }
        }
        cells.push_back(cell);
        at = end;
    }
    return cells;
}

// HTML goes to Chromium only: the file declares no character set, and
// Writer reads an undeclared HTML file as Windows-1252 whatever it holds.
TEST_F(RealReader, WriterReadsRtf) {
    if (!OnPath("soffice")) {
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    }
    FakeGrid grid = SampleGrid();
    const fs::path in = dir_ / "writer";
    fs::create_directories(in);
    ExportGridToFile(WriterKind::Rtf, grid, in / "rtf.rtf", true);
    const fs::path out = dir_ / "writer-out";
    Convert({in / "rtf.rtf"}, "txt:Text (encoded):UTF8", out);
    EXPECT_EQ(TextLines(ReadFile(out / "rtf.txt")), Flattened(ExpectedCells(grid)));
}

TEST_F(RealReader, ChromiumReadsHtml) {
    if (!OnPath("chromium")) {
        GTEST_SKIP() << "Chromium is not installed";
    }
    FakeGrid grid = SampleGrid();
    const fs::path in = dir_ / "chromium";
    fs::create_directories(in);
    ExportGridToFile(WriterKind::Html, grid, in / "grid.htm", true);
    const std::string dom =
        RunCommand("chromium --headless --no-sandbox --disable-gpu --user-data-dir=" +
                   Quote(dir_ / "chromium-profile") + " --dump-dom " +
                   Quote("file://" + (in / "grid.htm").string()));
    EXPECT_NE(dom.find("<title>\nDBGridEh1\n</title>"), std::string::npos) << dom;
    EXPECT_EQ(DomCells(dom), Flattened(ExpectedCells(grid)));
}

}  // namespace
}  // namespace vantrel::exporter::test
