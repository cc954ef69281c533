// Time and peak memory of importing a 100,000-row list: the program's own
// .csv export and a .xlsx written by openpyxl, each into an empty inventory
// and again into a full one (every row already there), beside the sqlite3
// shell's `.import` of the same CSV in the same run. Each run is a child
// process of its own, so its peak resident size is its own; the first
// figure of a file is its count pass (what the preview shows), the second
// the import itself.
//
// Usage: bench_import [ROWS]   (default 100000; the files are made first
// and not timed, in a temporary folder removed afterwards)

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

#include "ColumnTitles.h"
#include "ExportGrid.h"
#include "ExportGridToFile.h"
#include "ImportError.h"
#include "ImportRun.h"
#include "InventoryDatabase.h"
#include "InventoryGenerator.h"
#include "InventoryMerge.h"
#include "IpColumns.h"
#include "StoreError.h"

namespace {

namespace fs = std::filesystem;
using namespace vantrel;

struct Figures {
    double seconds = 0;
    double cpuSeconds = 0;
    long peakKiB = 0;
    bool ok = false;
};

Figures InChild(const std::function<int()>& body) {
    Figures figures;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(body());
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    figures.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    figures.peakKiB = usage.ru_maxrss;
    figures.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return figures;
}

void Print(const std::string& what, const Figures& f) {
    std::printf("%-34s %7.3f s wall %7.3f s cpu %7.1f MiB peak  %s\n", what.c_str(), f.seconds,
                f.cpuSeconds, static_cast<double>(f.peakKiB) / 1024.0, f.ok ? "ok" : "FAILED");
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
            column.caption = std::string(store::GridTitleOf(protocol::kIpColumns[c].name));
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

int Import(const std::string& file, const std::string& inventory, bool write) {
    try {
        store::InventoryDatabase connection;
        connection.Open(inventory);
        store::InventoryMerge merge(connection);
        import::RunOptions options;
        options.write = write;
        options.address = import::HistoryAddress("bench");
        const import::ColumnMapping mapping = import::ReadPreview(file).mapping;
        const import::ImportCounts counts = import::RunImport(file, 0, mapping, merge, options);
        std::fprintf(stderr, "    rows %zu added %zu updated %zu unchanged %zu problems %zu\n",
                     counts.rows, counts.added, counts.updated, counts.unchanged, counts.problems);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "import failed (GBK): %s\n", error.what());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    std::string pattern = (fs::temp_directory_path() / "bench-import-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;
    const std::string full = (dir / "full.mdb").string();
    const std::string empty = (dir / "empty.mdb").string();
    const std::string csv = (dir / "list.csv").string();
    const std::string xlsx = (dir / "list.xlsx").string();
    bench::Generate(full, rows);
    {
        sqlite3* db = nullptr;
        sqlite3_open(empty.c_str(), &db);
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
        "with open(sys.argv[1], encoding='gbk', newline='') as f:\n"
        "    for row in csv.reader(f, delimiter=';'):\n"
        "        sheet.append(row)\n"
        "book.save(sys.argv[2])\n";
    std::FILE* py = std::fopen((dir / "to_xlsx.py").c_str(), "w");
    std::fputs(script.c_str(), py);
    std::fclose(py);
    const std::string convert =
        "/usr/bin/python3 " + (dir / "to_xlsx.py").string() + " " + csv + " " + xlsx;
    const bool haveXlsx = std::system(convert.c_str()) == 0;
    std::printf("%d rows; %s %.1f MiB", rows, "csv",
                static_cast<double>(fs::file_size(csv)) / 1048576.0);
    if (haveXlsx) {
        std::printf(", xlsx %.1f MiB", static_cast<double>(fs::file_size(xlsx)) / 1048576.0);
    }
    std::printf("\n");

    for (const bool intoFull : {false, true}) {
        const char* into = intoFull ? "full" : "empty";
        const std::string target = (dir / "target.mdb").string();
        const auto fresh = [&] {
            fs::copy_file(intoFull ? full : empty, target, fs::copy_options::overwrite_existing);
        };
        fresh();
        Print(std::string("sqlite3 .import csv -> ") + into, InChild([&] {
                  const std::string command = "sqlite3 -cmd \".mode csv\" -cmd \".separator ;\" " +
                                              target + " \".import --skip 1 " + csv + " ip\"";
                  return std::system(command.c_str()) == 0 ? 0 : 1;
              }));
        for (const std::string& file : {csv, xlsx}) {
            if (file == xlsx && !haveXlsx) {
                continue;
            }
            const std::string name = fs::path(file).extension().string().substr(1);
            fresh();
            Print("count  " + name + " -> " + into,
                  InChild([&] { return Import(file, target, false); }));
            Print("import " + name + " -> " + into,
                  InChild([&] { return Import(file, target, true); }));
        }
    }
    fs::remove_all(dir);
    return 0;
}
