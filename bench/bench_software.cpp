// Figures of the installed-programs inventory.
//
// 1. Re-reports through the real HTTP service and report handler, 16
//    clients, of 1,000 known PCs: without a list, and with each PC's
//    unchanged list of 300 programs; runs alternate (BENCH_SOFTWARE_PAIRS,
//    3 unless set) and the medians are compared.
// 2. A report whose 300-program list changed (a few upgrades, one install,
//    one uninstall), stored one at a time: the median and p99 of the
//    store's call, and beside it the same report without a list, so that
//    the list's own share shows apart from the commit's syncs.
// 3. 5,000 PCs x 300 programs (1.5 million rows): the 软件 tab's count off
//    the main thread, its peak memory, the main thread's longest wait for
//    the connection meanwhile and its share (the model taking the count and
//    filtering it), the drill-down to one program's PCs, the overview's
//    licence card, and db.mdb's growth. BENCH_SOFTWARE_ONLY_CATALOG=1 runs
//    only this part.
//
// Usage: bench_software [pcs for 3]   (default 5000)

#include <sqlite3.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "FilterCondition.h"
#include "HttpRequest.h"
#include "HttpService.h"
#include "InventoryDatabase.h"
#include "InventoryDataset.h"
#include "Licences.h"
#include "ProgramLists.h"
#include "ReportClients.h"
#include "ReportHandler.h"
#include "ReportStore.h"
#include "SoftwareCatalog.h"
#include "SoftwareList.h"
#include "SoftwareTabModel.h"

namespace {

using vantrel::bench::Clock;
using vantrel::bench::kPrograms;
using vantrel::bench::ListEncoded;
using vantrel::bench::ListOfPc;
using vantrel::bench::MacOf;
using vantrel::bench::Median;
using vantrel::bench::PeakKib;
using vantrel::bench::Percentile;
using vantrel::bench::ProcessCpuMs;
using vantrel::bench::ProgramLine;
using vantrel::bench::ProgramName;
using vantrel::bench::ProgramsOfPc;
using vantrel::bench::ResetPeak;
using vantrel::bench::ResidentKib;
using vantrel::bench::RunReports;
using vantrel::bench::RunResult;
using vantrel::bench::SchemaText;
namespace store = vantrel::store;

class QuietSink : public vantrel::intake::ReportSink {
  public:
    void PostLogLine(std::string) override {}
    void PostMark(std::string, std::string) override {}
};

void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error != nullptr ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

std::string ReportBody(int pc, const std::string* list) {
    std::string body = "xipMac=" + MacOf(pc) + "&xipName=PC-" + std::to_string(pc) +
                       "&xipUserName=user" + std::to_string(pc) + "&xipIp=10.1.0.1";
    if (list != nullptr) {
        body += "&xipSoftware=";
        body += *list;
    }
    return body;
}

// CPU time of the calling thread, ms: the machine may be shared, and a
// lone report's transaction runs in its caller's thread.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// A new inventory file with the project's schema and no rows.
void MakeEmptyInventory(const std::string& file) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    Exec(db, SchemaText());
    sqlite3_close(db);
}

void ReReports(const std::string& folder) {
    constexpr int kPcs = 1000;
    const std::string file = folder + "/rereport.mdb";
    MakeEmptyInventory(file);
    store::InventoryDatabase connection;
    connection.Open(file);
    QuietSink sink;
    vantrel::intake::ReportHandler handler(connection, sink);
    vantrel::intake::HttpService service(0);
    service.SetOnCommandGet([&](vantrel::intake::Connection& c,
                                const vantrel::intake::HttpRequest& r,
                                vantrel::intake::HttpReply&) { handler.RouteRequest(c, r); });
    service.StartService();
    std::vector<std::string> lists;
    for (int pc = 0; pc < kPcs; ++pc) {
        lists.push_back(ListEncoded(ListOfPc(pc)));
    }
    std::printf("list of 300 programs: %zu bytes encoded\n", lists[0].size());
    // Every PC known with its list first.
    RunReports(service.Port(), kPcs, 16, 1, [&](int i, std::mt19937&) {
        return ReportBody(i, &lists[static_cast<std::size_t>(i)]);
    });
    const int pairs = std::max(1, std::atoi(std::getenv("BENCH_SOFTWARE_PAIRS") != nullptr
                                                ? std::getenv("BENCH_SOFTWARE_PAIRS")
                                                : "3"));
    std::vector<double> rates[2];
    std::vector<double> cpu[2];
    for (int pair = 0; pair < pairs; ++pair) {
        for (int withList = 0; withList < 2; ++withList) {
            const double cpuStart = ProcessCpuMs();
            const RunResult run =
                RunReports(service.Port(), 2000, 16, 7, [&](int i, std::mt19937&) {
                    const int pc = i % kPcs;
                    return ReportBody(pc,
                                      withList ? &lists[static_cast<std::size_t>(pc)] : nullptr);
                });
            const double cpuEach = (ProcessCpuMs() - cpuStart) / 2000;
            rates[withList].push_back(2000 / run.seconds);
            cpu[withList].push_back(cpuEach);
            std::printf(
                "  re-reports %s list: %.0f/s (p50 %.2f ms, %d failed; CPU %.3f ms a report, "
                "clients' included)\n",
                withList ? "with unchanged" : "without", 2000 / run.seconds,
                Percentile(run.latencies, 0.5), run.failed, cpuEach);
        }
    }
    const double without = Median(rates[0]);
    const double with = Median(rates[1]);
    std::printf(
        "re-reports, 16 clients: without a list %.0f/s, with an unchanged 300-program "
        "list %.0f/s: %.2fx\n",
        without, with, with / without);
    std::printf(
        "re-reports, CPU of the whole process a report (median): without a list %.3f ms, with "
        "one %.3f ms\n",
        Median(cpu[0]), Median(cpu[1]));
    service.StopService();
}

void ChangedLists(const std::string& folder) {
    const std::string file = folder + "/changed.mdb";
    MakeEmptyInventory(file);
    store::InventoryDatabase connection;
    connection.Open(file);
    store::ReportStore reports(connection);
    store::HardwareReport report;
    report.mac = MacOf(1);
    report.pcname = "PC-1";
    std::vector<double> withList;
    std::vector<double> without;
    std::vector<double> cpu;
    for (int round = 0; round < 200; ++round) {
        // Each round: three upgrades, one program in, one out.
        std::string text;
        const std::vector<int> programs = ProgramsOfPc(1);
        for (std::size_t i = 0; i < programs.size(); ++i) {
            const int p = i == 0 ? 5000 + round % 2 : programs[i];
            text += ProgramLine(p, i < 4 ? round % 3 : 0);
        }
        store::SoftwareList list;
        std::string_view rest = text;
        while (!rest.empty()) {
            const auto end = rest.find('\n');
            list.lines.push_back(rest.substr(0, end));
            rest.remove_prefix(end + 1);
        }
        auto start = Clock::now();
        const double cpuStart = ThreadCpuMs();
        reports.StoreReport(report, "10.0.0.1", &list);
        cpu.push_back(ThreadCpuMs() - cpuStart);
        withList.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        start = Clock::now();
        reports.StoreReport(report, "10.0.0.1", nullptr);
        without.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::printf("changed 300-program list, store call's CPU time: median %.2f ms\n", Median(cpu));
    std::sort(withList.begin(), withList.end());
    std::sort(without.begin(), without.end());
    std::printf(
        "changed 300-program list, store call: median %.2f ms, p99 %.2f ms; the same "
        "report without a list: median %.2f ms (the list's share %.2f ms)\n",
        Percentile(withList, 0.5), Percentile(withList, 0.99), Percentile(without, 0.5),
        Percentile(withList, 0.5) - Percentile(without, 0.5));
}

// Runs `work` on a worker while this thread takes the connection's lock
// every millisecond, as the window's own reads would: returns the longest
// wait, the longest the window would be held up.
template <typename Work>
double LongestWaitDuring(store::InventoryDatabase& connection, Work work) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    double longest = 0;
    while (!done) {
        const auto asked = Clock::now();
        { auto guard = connection.Lock(); }
        longest = std::max(longest,
                           std::chrono::duration<double, std::milli>(Clock::now() - asked).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    return longest;
}

void Catalog(const std::string& folder, int pcs) {
    const std::string file = folder + "/catalog.mdb";
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    Exec(db, SchemaText());
    Exec(db, "begin");
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "insert into ip (pcname,mac,ip) values (?1,?2,'10.0.0.1')", -1, &insert,
                       nullptr);
    for (int pc = 0; pc < pcs; ++pc) {
        const std::string name = "PC-" + std::to_string(pc);
        const std::string mac = MacOf(pc);
        sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, mac.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Exec(db, "commit");
    Exec(db, "vacuum");
    sqlite3_close(db);
    const auto before = std::filesystem::file_size(file);
    {
        // Written straight into the tables, as the store writes them: one
        // row a program and one list row a PC, in one transaction.
        const auto made = Clock::now();
        sqlite3* raw = nullptr;
        sqlite3_open(file.c_str(), &raw);
        Exec(raw, "begin");
        sqlite3_stmt* add = nullptr;
        sqlite3_prepare_v2(raw,
                           "insert into ip_software (mac,name,version,publisher,installdate,"
                           "bits,scope,app) values (?1,?2,?3,?4,'2024-03-01','64','machine',1)",
                           -1, &add, nullptr);
        sqlite3_stmt* listed = nullptr;
        sqlite3_prepare_v2(raw,
                           "insert into ip_softlist (mac,digest,listtime,programs) values "
                           "(?1,'0123456789abcdef0123456789abcdef','2024-05-06 09:07:03',300)",
                           -1, &listed, nullptr);
        for (int pc = 0; pc < pcs; ++pc) {
            const std::string mac = MacOf(pc);
            for (int p : ProgramsOfPc(pc)) {
                const std::string name = ProgramName(p);
                const std::string version =
                    std::to_string(p % 17) + "." + std::to_string((pc + p) % 3) + ".1024";
                const std::string publisher =
                    "Example Software Corporation " + std::to_string(p % 40);
                sqlite3_bind_text(add, 1, mac.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(add, 2, name.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(add, 3, version.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(add, 4, publisher.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_step(add);
                sqlite3_reset(add);
            }
            sqlite3_bind_text(listed, 1, mac.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(listed);
            sqlite3_reset(listed);
        }
        sqlite3_finalize(add);
        sqlite3_finalize(listed);
        Exec(raw, "commit");
        sqlite3_close(raw);
        std::printf("%d PCs x %d programs written in %.1f s\n", pcs, kPrograms,
                    std::chrono::duration<double>(Clock::now() - made).count());
    }
    const auto after = std::filesystem::file_size(file);
    std::printf(
        "db.mdb: %.1f MB without lists, %.1f MB with them (+%.1f MB, %.0f bytes a "
        "program row)\n",
        static_cast<double>(before) / 1e6, static_cast<double>(after) / 1e6,
        static_cast<double>(after - before) / 1e6,
        static_cast<double>(after - before) / (static_cast<double>(pcs) * kPrograms));

    store::InventoryDatabase connection;
    connection.Open(file);
    std::vector<double> counts;
    std::vector<double> countCpu;
    double longestWait = 0;
    long peak = 0;
    store::SoftwareCatalog catalog;
    for (int run = 0; run < 3; ++run) {
        catalog = {};
        const long base = ResidentKib();
        ResetPeak();
        // Counted on a worker, as the tab does.
        const auto start = Clock::now();
        longestWait = std::max(
            longestWait, LongestWaitDuring(connection, [&] {
                const double cpuStart = ThreadCpuMs();
                catalog = store::ReadSoftwareCatalog(connection);
                countCpu.push_back(ThreadCpuMs() - cpuStart);
                counts.push_back(
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            }));
        peak = std::max(peak, PeakKib() - base);
    }
    std::printf(
        "software tab count (worker thread): median %.0f ms over 3 (CPU %.0f ms), %zu programs; "
        "peak memory above the process's own %.0f MB, whole process %.0f MB\n",
        Median(counts), Median(countCpu), catalog.lines.size(), static_cast<double>(peak) / 1024,
        static_cast<double>(PeakKib()) / 1024);
    std::printf("main thread's longest wait for the connection during the count: %.1f ms\n",
                longestWait);
    // The main thread's share: the model takes the count and filters it.
    vantrel::app::SoftwareTabModel model;
    std::vector<double> main;
    for (int run = 0; run < 3; ++run) {
        store::SoftwareCatalog copy = catalog;
        const auto start = Clock::now();
        model.SetCatalog(std::move(copy));
        model.SetFilter("program 1", false);
        model.SetFilter("", false);
        main.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::printf("main thread: taking the count and filtering twice, worst %.1f ms\n",
                *std::max_element(main.begin(), main.end()));
    // The drill-down: the PCs of one program, then the grid's rows chosen.
    std::vector<double> drills;
    store::InventoryDataset rows(connection);
    rows.Open();
    for (const int p : {0, 160, 1999}) {
        const auto start = Clock::now();
        auto keys = std::make_shared<const std::set<std::string>>(
            store::KeysHaving(connection, ProgramName(p)));
        rows.SetFilter(store::FilterCondition::OfKeys(keys, ProgramName(p)));
        const std::size_t chosen = rows.RecordCount();
        drills.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        std::printf("  drill-down to %s: %zu PCs\n", ProgramName(p).c_str(), chosen);
    }
    std::printf("drill-down (keys read and every row tested): worst %.1f ms\n",
                *std::max_element(drills.begin(), drills.end()));
    // The overview's card of programs short of licences, with a pattern that
    // covers 1,111 of the names, the window taking the lock meanwhile.
    store::Licences(connection).SetSeats("Example Program 1*", 100);
    const auto cardStart = Clock::now();
    double cardMs = 0;
    store::SoftwareCounts cardCounts;
    const double cardWait = LongestWaitDuring(connection, [&] {
        cardCounts = store::ReadSoftwareCounts(connection);
        cardMs = std::chrono::duration<double, std::milli>(Clock::now() - cardStart).count();
    });
    std::printf(
        "overview's licence card: %zu programs short, %.0f ms; main thread's longest wait "
        "%.1f ms\n",
        cardCounts.shortPrograms, cardMs, cardWait);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int pcs = argc > 1 ? std::atoi(argv[1]) : 5000;
    char folder[] = "/tmp/bench-software-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    try {
        if (std::getenv("BENCH_SOFTWARE_ONLY_CATALOG") == nullptr) {
            ReReports(folder);
            ChangedLists(folder);
        }
        Catalog(folder, pcs);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_software: %s\n", error.what());
        std::filesystem::remove_all(folder);
        return 1;
    }
    std::filesystem::remove_all(folder);
    return 0;
}
