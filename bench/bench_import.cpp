// Time and peak memory of importing a 100,000-row list: the program's own
// .csv export, a .xlsx written by openpyxl and an .xls that LibreOffice
// converts from it (an .xls sheet holds at most 65,536 rows, so that file
// has the first 65,535 of them), each into an empty inventory
// and again into a full one (every row already there), beside the sqlite3
// shell's `.import` of the same CSV in the same run. Each run is a fresh
// process (this program started again in its run mode) from a parent that
// never holds the inventory or the files, so each peak resident size is
// that run's own. Per file: the preview alone and every row read with
// nothing merged (into the empty inventory only), the count pass (what the
// preview window shows), then the import itself; each run after the
// preview makes its own preview first, as it needs the mapping. Each line
// also gives the rows per second and the time against the sqlite3 line
// above it.
//
// Usage: bench_import [ROWS [REPEATS]]   (default 100000 rows, 1 repeat;
// with repeats each line is the run with the best wall time. The files are
// made first and not timed, in a temporary folder removed afterwards.)
// For a profiler: `bench_import --make DIR ROWS` makes the files in DIR and
// keeps them, `bench_import --run preview|read|count|import FILE INVENTORY`
// is one run (read: the reader alone, nothing merged).

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ChildFigures.h"
#include "ColumnTitles.h"
#include "ExportGrid.h"
#include "ExportGridToFile.h"
#include "ImportError.h"
#include "ImportRun.h"
#include "InventoryDatabase.h"
#include "InventoryGenerator.h"
#include "InventoryMerge.h"
#include "IpColumns.h"
#include "SheetReader.h"
#include "StoreError.h"

namespace {

namespace fs = std::filesystem;
using namespace vantrel;

using bench::Figures;

// Runs the program `argv[0]` with `args` and waits for it.
Figures Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::execvp(argv[0], argv.data());
        std::perror(argv[0]);
        ::_exit(127);
    }
    return bench::WaitForChild(child, start);
}

// The best of `repeats` runs, each after `prepare`; a failed run is kept
// so that the line says so.
Figures Best(int repeats, const std::function<void()>& prepare,
             const std::vector<std::string>& args) {
    Figures best;
    for (int i = 0; i < repeats; ++i) {
        prepare();
        const Figures run = Spawn(args);
        if (i == 0 || !run.ok || (best.ok && run.seconds < best.seconds)) {
            best = run;
        }
        if (!run.ok) {
            break;
        }
    }
    return best;
}

// `rows` 0 and `anchor` 0 leave the rate and the ratio out.
void Print(const std::string& what, const Figures& f, int rows, double anchor) {
    std::printf("%-28s %7.3f s wall %7.3f s cpu %7.1f MiB peak", what.c_str(), f.seconds,
                f.cpuSeconds, static_cast<double>(f.peakKiB) / 1024.0);
    if (rows > 0) {
        std::printf(" %8.0f rows/s", rows / f.seconds);
    } else {
        std::printf(" %15s", "");
    }
    if (anchor > 0) {
        std::printf(" %5.2fx", f.seconds / anchor);
    } else {
        std::printf(" %6s", "");
    }
    std::printf("  %s\n", f.ok ? "ok" : "FAILED");
    std::fflush(stdout);
}

// The generated inventory as a grid the export walks, all columns text.
class TableGrid : public exporter::ExportGrid {
  public:
    explicit TableGrid(const std::string& path) {
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_stmt* select = nullptr;
        sqlite3_prepare_v2(db, "select * from ip", -1, &select, nullptr);
        while (sqlite3_step(select) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < 17; ++c) {
                const auto* text = sqlite3_column_text(select, c);
                row.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "");
            }
            rows_.push_back(std::move(row));
        }
        sqlite3_finalize(select);
        sqlite3_close(db);
        for (std::size_t c = 0; c < protocol::kIpColumns.size(); ++c) {
            exporter::ExportColumn column;
            column.caption = std::string(inventory::GridTitleOf(protocol::kIpColumns[c].name));
            column.width = 80;
            column.field = static_cast<int>(c);
            columns_.push_back(column);
        }
    }
    std::string Name() const override { return "grid"; }
    exporter::GridLook Look() const override { return {}; }
    exporter::Color FixedColor() const override { return {}; }
    int PixelsPerInch() const override { return 96; }
    exporter::Rgb Resolve(const exporter::Color& color) const override { return color.rgb; }
    std::vector<exporter::ExportColumn> VisibleColumns() const override { return columns_; }
    void DisableControls() override {}
    void EnableControls() override {}
    void SavePosition() override {}
    void RestorePosition() override {}
    void First() override { current_ = 0; }
    void Next() override { ++current_; }
    bool Eof() const override { return current_ >= rows_.size(); }
    exporter::CellValue Value(const exporter::ExportColumn& column) const override {
        return {false, rows_[current_][static_cast<std::size_t>(column.field)]};
    }

  private:
    std::vector<std::vector<std::string>> rows_;
    std::vector<exporter::ExportColumn> columns_;
    std::size_t current_ = 0;
};

// The run mode: one pass over `file` against the inventory `inventory`.
int Run(const std::string& pass, const std::string& file, const std::string& inventory) {
    try {
        const import::SheetPreview preview = import::ReadPreview(file);
        if (pass == "preview") {
            return preview.rows.empty() ? 1 : 0;
        }
        if (pass == "read") {  // the reader alone, every row converted
            const std::unique_ptr<import::SheetReader> reader = import::OpenSheet(file);
            std::vector<std::string> cells;
            std::size_t read = 0;
            while (reader->NextRow(cells)) {
                ++read;
            }
            std::fprintf(stderr, "    rows %zu\n", read);
            return 0;
        }
        store::InventoryDatabase connection;
        connection.Open(inventory);
        store::InventoryMerge merge(connection);
        import::RunOptions options;
        options.write = pass == "import";
        options.address = import::HistoryAddress("bench");
        const import::ImportCounts counts =
            import::RunImport(file, 0, preview.mapping, merge, options);
        std::fprintf(stderr, "    rows %zu added %zu updated %zu unchanged %zu problems %zu\n",
                     counts.rows, counts.added, counts.updated, counts.unchanged, counts.problems);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "import failed (GBK): %s\n", error.what());
        return 1;
    }
}

// The rows an .xls sheet holds below its title row.
constexpr int kMaxXlsRows = 65535;

// Makes the inventories and the lists in `dir`; false when there is no
// .xlsx (openpyxl missing). The .xls is left out when LibreOffice is.
bool MakeFiles(const fs::path& dir, int rows) {
    const std::string full = (dir / "full.mdb").string();
    const std::string csv = (dir / "list.csv").string();
    bench::Generate(full, rows);
    {
        sqlite3* db = nullptr;
        sqlite3_open((dir / "empty.mdb").c_str(), &db);
        sqlite3_exec(db, bench::kSchema, nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    {
        TableGrid grid(full);
        exporter::ExportGridToFile(exporter::WriterKind::Csv, grid, csv, true);
    }
    const std::string script =
        "import csv, sys, openpyxl\n"
        "book = openpyxl.Workbook(write_only=True)\n"
        "sheet = book.create_sheet()\n"
        "limit = int(sys.argv[3]) if len(sys.argv) > 3 else None\n"
        "with open(sys.argv[1], encoding='gbk', newline='') as f:\n"
        "    for n, row in enumerate(csv.reader(f, delimiter=';')):\n"
        "        if limit is not None and n > limit:\n"
        "            break\n"
        "        sheet.append(row)\n"
        "book.save(sys.argv[2])\n";
    std::FILE* py = std::fopen((dir / "to_xlsx.py").c_str(), "w");
    std::fputs(script.c_str(), py);
    std::fclose(py);
    const std::string convert = "/usr/bin/python3 " + (dir / "to_xlsx.py").string() + " " + csv +
                                " " + (dir / "list.xlsx").string();
    if (std::system(convert.c_str()) != 0) {
        return false;
    }
    const std::string forXls = "/usr/bin/python3 " + (dir / "to_xlsx.py").string() + " " + csv +
                               " " + (dir / "short.xlsx").string() + " " +
                               std::to_string(std::min(rows, kMaxXlsRows));
    const std::string toXls = "cd " + dir.string() + " && HOME=" + dir.string() +
                              " libreoffice -env:UserInstallation=file://" + dir.string() +
                              "/profile --headless --convert-to xls short.xlsx >/dev/null 2>&1";
    if (std::system(forXls.c_str()) == 0 && std::system(toXls.c_str()) == 0) {
        fs::rename(dir / "short.xls", dir / "list.xls");
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--run") {
        return Run(argv[2], argv[3], argv[4]);
    }
    if (argc == 4 && std::string(argv[1]) == "--make") {
        return MakeFiles(argv[2], std::atoi(argv[3])) ? 0 : 2;
    }
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    std::string pattern = (fs::temp_directory_path() / "bench-import-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    // The files are made in a child, so that this process stays small and
    // the runs it starts inherit nothing of it.
    const pid_t maker = ::fork();
    if (maker == 0) {
        ::_exit(MakeFiles(dir, rows) ? 0 : 2);
    }
    int made = 0;
    ::waitpid(maker, &made, 0);
    if (!WIFEXITED(made) || (WEXITSTATUS(made) != 0 && WEXITSTATUS(made) != 2)) {
        std::fprintf(stderr, "making the files failed\n");
        fs::remove_all(dir);
        return 1;
    }
    const bool haveXlsx = WEXITSTATUS(made) == 0;
    const std::string csv = (dir / "list.csv").string();
    const std::string xlsx = (dir / "list.xlsx").string();
    std::printf("%d rows; %s %.1f MiB", rows, "csv",
                static_cast<double>(fs::file_size(csv)) / 1048576.0);
    const std::string xls = (dir / "list.xls").string();
    const bool haveXls = fs::exists(xls);
    const int xlsRows = std::min(rows, kMaxXlsRows);
    if (haveXlsx) {
        std::printf(", xlsx %.1f MiB", static_cast<double>(fs::file_size(xlsx)) / 1048576.0);
    }
    if (haveXls) {
        std::printf(", xls (%d rows) %.1f MiB", xlsRows,
                    static_cast<double>(fs::file_size(xls)) / 1048576.0);
    }
    std::printf("; best of %d\n", repeats);

    const std::string self = fs::read_symlink("/proc/self/exe").string();
    for (const bool intoFull : {false, true}) {
        const char* into = intoFull ? "full" : "empty";
        const std::string target = (dir / "target.mdb").string();
        const auto fresh = [&] {
            fs::copy_file(dir / (intoFull ? "full.mdb" : "empty.mdb"), target,
                          fs::copy_options::overwrite_existing);
        };
        const Figures anchor = Best(repeats, fresh,
                                    {"sqlite3", "-cmd", ".mode csv", "-cmd", ".separator ;", target,
                                     ".import --skip 1 " + csv + " ip"});
        Print(std::string("sqlite3 .import csv -> ") + into, anchor, rows, anchor.seconds);
        for (const std::string& file : {csv, xlsx, xls}) {
            if ((file == xlsx && !haveXlsx) || (file == xls && !haveXls)) {
                continue;
            }
            // The .xls holds fewer rows: its rate is its own, its ratio
            // against sqlite3 scaled to the rows it holds.
            const int fileRows = file == xls ? xlsRows : rows;
            const double fileAnchor = anchor.seconds * fileRows / rows;
            const std::string name = fs::path(file).extension().string().substr(1);
            if (!intoFull) {
                Print("preview " + name,
                      Best(repeats, fresh, {self, "--run", "preview", file, target}), 0, 0);
                Print("read " + name, Best(repeats, fresh, {self, "--run", "read", file, target}),
                      fileRows, fileAnchor);
            }
            for (const std::string pass : {"count", "import"}) {
                Print(pass + " " + name + " -> " + into,
                      Best(repeats, fresh, {self, "--run", pass, file, target}), fileRows,
                      fileAnchor);
            }
        }
    }
    fs::remove_all(dir);
    return 0;
}
