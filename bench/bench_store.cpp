// Inventory store figures: open + load of a 100,000-row table shaped like a
// real inventory, filter in both forms, sort, a save of 1,000 changes, the
// resident memory of the loaded dataset, and the cost of one durable report
// under each journal mode. Load, sort and the store's share of start-up are
// measured beside references in the same run (the sqlite3 command's CSV
// dump of the same file; a stable sort of keys already gathered in one
// buffer) and the ratio is printed. Medians of several runs.
// Usage: bench_store [rows] [directory]
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "InventoryDatabase.h"
#include "InventoryDataset.h"
#include "InventoryGenerator.h"

using namespace vantrel::store;
using namespace vantrel::bench;

namespace {

double Seconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long ResidentKiB() {
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Average time of one autocommitted report-sized insert under a journal
// mode and synchronous level, on a copy of the schema.
double InsertLatency(const std::string& dir, const char* journal, const char* sync) {
    std::string path = dir + "/journal-" + journal + "-" + sync + ".mdb";
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.c_str(), &db), db);
    Check(sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr), db);
    std::string pragmas =
        std::string("PRAGMA journal_mode=") + journal + "; PRAGMA synchronous=" + sync;
    Check(sqlite3_exec(db, pragmas.c_str(), nullptr, nullptr, nullptr), db);
    const int count = 100;
    double seconds = Seconds([&] {
        for (int i = 0; i < count; ++i) {
            Check(sqlite3_exec(db, "INSERT INTO ip (mac, bm) VALUES ('00-11', 'x')", nullptr,
                               nullptr, nullptr),
                  db);
        }
    });
    sqlite3_close(db);
    return seconds / count;
}

// The sqlite3 command dumping the table as CSV, output discarded; negative
// when the command is not there.
double SqliteCsvSeconds(const std::string& path) {
    std::string command = "sqlite3 -csv '" + path + "' 'select * from ip' > /dev/null 2>&1";
    int status = 0;
    double seconds = Seconds([&] { status = std::system(command.c_str()); });
    return status == 0 ? seconds : -1;
}

// The reference sort: the same stable order (nulls first, bytes unsigned)
// over keys that already sit in one buffer.
double ContiguousSortSeconds(const InventoryDataset& query, std::size_t field) {
    std::string bytes;
    std::vector<std::pair<std::size_t, std::size_t>> spans;  // offset, length
    std::vector<bool> nulls;
    for (std::size_t row = 0; row < query.RecordCount(); ++row) {
        FieldValue value = query.Value(row, field);
        spans.emplace_back(bytes.size(), value ? value->size() : 0);
        nulls.push_back(!value);
        bytes += value.value_or("");
    }
    std::vector<std::size_t> order(spans.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    return Seconds([&] {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            if (nulls[a] || nulls[b]) {
                return nulls[a] && !nulls[b];
            }
            return std::string_view(bytes.data() + spans[a].first, spans[a].second) <
                   std::string_view(bytes.data() + spans[b].first, spans[b].second);
        });
    });
}

}  // namespace

int main(int argc, char** argv) {
    int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    std::string base = argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
    std::string dir = base + "/bench-store-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    std::string path = dir + "/db.mdb";
    std::printf("generate %d rows: %.3f s\n", rows, Seconds([&] { Generate(path, rows); }));

    long before = ResidentKiB();
    InventoryDatabase connection;
    InventoryDataset query(connection);
    std::vector<double> loads;
    std::vector<double> dumps;
    loads.push_back(Seconds([&] {
        connection.Open(path);
        query.Open();
    }));
    double fileMiB = static_cast<double>(std::filesystem::file_size(path)) / (1024 * 1024);
    double residentMiB = static_cast<double>(ResidentKiB() - before) / 1024;
    std::printf(
        "resident memory of the loaded dataset: %.1f MiB (%zu rows), %.2fx the file "
        "(%.1f MiB)\n",
        residentMiB, query.RecordCount(), residentMiB / fileMiB, fileMiB);
    // Load and dump take turns, so that both see the same load of the machine.
    for (int run = 0; run < 5; ++run) {
        dumps.push_back(SqliteCsvSeconds(path));
        loads.push_back(Seconds([&] {
            query.Close();
            connection.Close();
            connection.Open(path);
            query.Open();
        }));
    }
    double load = Median(loads);
    double dump = Median(dumps);
    if (dump > 0) {
        std::printf("open + load: %.3f s; sqlite3 -csv: %.3f s; ratio %.2f\n", load, dump,
                    load / dump);
    } else {
        std::printf("open + load: %.3f s; sqlite3 command not found\n", load);
    }

    // The store's share of start-up: open, load, sort by department.
    std::vector<double> startups;
    for (int run = 0; run < 5; ++run) {
        startups.push_back(Seconds([&] {
            query.Close();
            connection.Close();
            connection.Open(path);
            query.Open();
            query.SetSort("bm");
        }));
    }
    std::printf("open + load + sort by bm (the store's share of start-up): median %.3f s\n",
                Median(startups));
    query.SetSort("");

    auto bmField = static_cast<std::size_t>(query.FieldIndex("bm"));
    std::vector<double> sorts;
    std::vector<double> references;
    for (int run = 0; run < 7; ++run) {
        query.SetSort("");
        references.push_back(ContiguousSortSeconds(query, bmField));
        sorts.push_back(Seconds([&] { query.SetSort("bm"); }));
    }
    std::printf("sort by bm: %.1f ms; stable sort of gathered keys: %.1f ms; ratio %.2f\n",
                Median(sorts) * 1000, Median(references) * 1000,
                Median(sorts) / Median(references));
    query.SetSort("");
    std::printf("requery: %.3f s\n", Seconds([&] { query.Requery(); }));

    const auto exact = FilterCondition::OfField("bm", FieldMatch::Equals, kDepartments[0]);
    const auto contains = FilterCondition::OfField("username", FieldMatch::Contains, kGiven[0]);
    double t = Seconds([&] { query.SetFilter(exact); });
    std::printf("filter bm equals ...: %.3f s (%zu rows)\n", t, query.RecordCount());
    t = Seconds([&] { query.SetFilter(contains); });
    std::printf("filter username contains ...: %.3f s (%zu rows)\n", t, query.RecordCount());
    t = Seconds([&] {
        query.SetFilter(FilterCondition::OfField("IP", FieldMatch::Contains, "192.168.1"));
    });
    std::printf("filter IP contains 192.168.1: %.3f s (%zu rows)\n", t, query.RecordCount());
    query.SetFilter({});
    std::printf("sort by username: %.3f s\n", Seconds([&] { query.SetSort("username"); }));
    // Numbers inside the text: addresses and PC names compare run by run.
    std::printf("sort by ip: %.3f s\n", Seconds([&] { query.SetSort("ip"); }));
    std::printf("sort by pcname: %.3f s\n", Seconds([&] { query.SetSort("pcname"); }));

    auto bz = static_cast<std::size_t>(query.FieldIndex("bz"));
    for (std::size_t row = 0; row < 1000 && row < query.RecordCount(); ++row) {
        query.SetRecNo(row * 7 % query.RecordCount());
        query.SetValue(bz, "changed " + std::to_string(row));
    }
    std::printf("save 1000 pending changes: %.3f s\n", Seconds([&] { query.UpdateBatch(); }));

    const char* modes[][2] = {
        {"DELETE", "FULL"}, {"DELETE", "NORMAL"}, {"WAL", "FULL"}, {"WAL", "NORMAL"}};
    for (const auto& mode : modes) {
        std::printf("durable insert, journal %s, synchronous %s: %.2f ms\n", mode[0], mode[1],
                    InsertLatency(dir, mode[0], mode[1]) * 1000);
    }
    connection.Close();
    if (std::getenv("BENCH_STORE_KEEP") == nullptr) {
        std::filesystem::remove_all(dir);
    } else {
        std::printf("kept %s\n", path.c_str());
    }
    return 0;
}
