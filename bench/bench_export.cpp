// Time and peak memory of each inventory export format for 100,000 records
// of 17 columns, and of the online list of 5,000 rows to .xlsx. Each export
// runs in a child process of its own, so its peak resident size is its own.
// The records are made on the fly, so the figures are the writers' alone.
// For reference the same rows go through `sqlite3 -csv` when it is present.
//
// Usage: bench_export [records] [list rows]   (defaults 100000 and 5000)
// The .xls sheet holds at most 65,535 records below its title row; that
// format runs with min(records, 65535).

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ChildFigures.h"
#include "ExportGrid.h"
#include "ExportGridToFile.h"
#include "OnlineListExport.h"

namespace {

using namespace vantrel::exporter;
namespace fs = std::filesystem;

constexpr int kColumns = 17;
const char* const kFields[kColumns] = {"bm",     "username", "ip",     "mac",  "cpu",    "board",
                                       "rammax", "yp",       "xk",     "bios", "pctype", "os",
                                       "rammin", "djsj",     "pcname", "dh",   "bz"};

// The value of a cell: GBK text of typical lengths, a few nulls.
std::string CellText(std::size_t row, int col) {
    const std::string n = std::to_string(row);
    switch (col) {
        case 0:
            return "\xb2\xc6\xce\xf1\xb2\xbf" + std::to_string(row % 20);  // 财务部
        case 1:
            return "\xd5\xc5\xc8\xfd" + n;  // 张三
        case 2:
            return "192.168." + std::to_string(row / 254 % 255) + "." + std::to_string(row % 254);
        case 3:
            return "00-1A-2B-3C-" + std::to_string(10 + row % 90) + "-" +
                   std::to_string(10 + row / 90 % 90);
        case 4:
            return "Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz";
        case 13:
            return "2024-05-06 09:07:03";
        case 16:
            return row % 3 == 0 ? "" : "\xb1\xb8\xd7\xa2 " + n;  // 备注
        default:
            return "value " + std::to_string(col) + " " + n;
    }
}

class GeneratedGrid : public ExportGrid {
  public:
    explicit GeneratedGrid(std::size_t rows) : rows_(rows) {
        for (int c = 0; c < kColumns; ++c) {
            ExportColumn column;
            column.caption = kFields[c];
            column.width = 60 + c;
            column.titleFont.name = column.font.name = "\xcb\xce\xcc\xe5";  // 宋体
            column.field = c;
            columns_.push_back(column);
        }
    }
    std::string Name() const override { return "DBGridEh1"; }
    GridLook Look() const override { return {}; }
    Color FixedColor() const override { return Color::Of(SystemColor::ButtonFace); }
    int PixelsPerInch() const override { return 96; }
    Rgb Resolve(const Color& color) const override {
        if (color.kind == Color::Kind::Rgb) {
            return color.rgb;
        }
        return color.system == SystemColor::ButtonFace ? Rgb{240, 240, 240}
               : color.system == SystemColor::Window   ? Rgb{255, 255, 255}
                                                       : Rgb{0, 0, 0};
    }
    std::vector<ExportColumn> VisibleColumns() const override { return columns_; }
    void DisableControls() override {}
    void EnableControls() override {}
    void SavePosition() override {}
    void RestorePosition() override {}
    void First() override { current_ = 0; }
    void Next() override { ++current_; }
    bool Eof() const override { return current_ >= rows_; }
    CellValue Value(const ExportColumn& column) const override {
        if (column.field == 9 && current_ % 7 == 0) {
            return {};  // a null now and then
        }
        return {false, CellText(current_, column.field)};
    }

  private:
    std::size_t rows_;
    std::size_t current_ = 0;
    std::vector<ExportColumn> columns_;
};

using vantrel::bench::Figures;

// Runs `work` in a child process; its wall time and peak resident size.
Figures InChild(const std::function<void()>& work) {
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            work();
            std::_Exit(0);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "  failed: %s\n", error.what());
            std::_Exit(1);
        }
    }
    return vantrel::bench::WaitForChild(child, start);
}

void Print(const std::string& what, const Figures& figures, const fs::path& file) {
    const double mib = fs::exists(file) ? static_cast<double>(fs::file_size(file)) / 1048576.0 : 0;
    std::printf("%-34s %7.3f s  peak %7.1f MiB  file %7.1f MiB%s\n", what.c_str(), figures.seconds,
                static_cast<double>(figures.peakKiB) / 1024.0, mib, figures.ok ? "" : "  FAILED");
}

void MakeDatabase(const fs::path& path, std::size_t rows) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    std::string create = "CREATE TABLE ip (";
    for (int c = 0; c < kColumns; ++c) {
        create += std::string(c ? "," : "") + kFields[c] + " TEXT";
    }
    sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO ip VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", -1, &insert,
                       nullptr);
    for (std::size_t r = 0; r < rows; ++r) {
        for (int c = 0; c < kColumns; ++c) {
            const std::string text = CellText(r, c);
            sqlite3_bind_text(insert, c + 1, text.c_str(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
        }
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t records = argc > 1 ? std::stoul(argv[1]) : 100000;
    const std::size_t listRows = argc > 2 ? std::stoul(argv[2]) : 5000;
    const fs::path dir =
        fs::temp_directory_path() / ("vantrel-bench-export-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::printf("%zu records x %d columns; online list %zu rows\n", records, kColumns, listRows);

    const Figures idle = InChild([] {});
    Print("(empty child: the baseline)", idle, dir / "none");

    const struct {
        const char* name;
        WriterKind kind;
        const char* file;
    } formats[] = {{"text (.txt)", WriterKind::Text, "out.txt"},
                   {"csv (.csv)", WriterKind::Csv, "out.csv"},
                   {"html (.htm)", WriterKind::Html, "out.htm"},
                   {"rtf (.rtf)", WriterKind::Rtf, "out.rtf"},
                   {"xls (.xls)", WriterKind::Xls, "out.xls"}};
    for (const auto& format : formats) {
        const std::size_t rows =
            format.kind == WriterKind::Xls ? std::min<std::size_t>(records, 65535) : records;
        const fs::path file = dir / format.file;
        const Figures figures = InChild([&] {
            GeneratedGrid grid(rows);
            ExportGridToFile(format.kind, grid, file, true);
        });
        Print(std::string(format.name) + " " + std::to_string(rows) + " records", figures, file);
    }

    TextTable list;
    for (std::size_t r = 0; r < listRows; ++r) {
        list.push_back({"PC" + std::to_string(r) + "          ",
                        "192.168.1." + std::to_string(r % 254),
                        "00-1A-2B-3C-4D-" + std::to_string(r % 100),
                        r % 2 ? "\xd5\xc5\xc8\xfd \xd2\xd1\xcc\xe1\xbd\xbb" : ""});
    }
    const Figures xlsx =
        InChild([&] { WriteOnlineList(SheetFormat::Xlsx, dir / "list.xlsx", list); });
    Print("online list .xlsx " + std::to_string(listRows) + " rows", xlsx, dir / "list.xlsx");

    if (std::system("command -v sqlite3 >/dev/null 2>&1") == 0) {
        const fs::path db = dir / "ref.db";
        MakeDatabase(db, records);
        const fs::path csv = dir / "ref.csv";
        const Figures reference = InChild([&] {
            if (std::freopen(csv.c_str(), "w", stdout) == nullptr) {
                std::_Exit(1);
            }
            ::execlp("sqlite3", "sqlite3", "-csv", db.c_str(), "select * from ip",
                     static_cast<char*>(nullptr));
        });
        Print("reference: sqlite3 -csv", reference, csv);
    }
    fs::remove_all(dir);
    return 0;
}
