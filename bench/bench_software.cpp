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
//    the main thread, its peak memory, the main thread's share (the model
//    taking the count and filtering it), the drill-down to one program's
//    PCs, and db.mdb's growth.
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

#include "FilterCondition.h"
#include "HttpRequest.h"
#include "HttpService.h"
#include "InventoryDatabase.h"
#include "InventoryDataset.h"
#include "ReportClients.h"
#include "ReportHandler.h"
#include "ReportStore.h"
#include "SoftwareCatalog.h"
#include "SoftwareList.h"
#include "SoftwareTabModel.h"

namespace {

using vantrel::bench::Clock;
using vantrel::bench::Percentile;
using vantrel::bench::RunReports;
using vantrel::bench::RunResult;
namespace store = vantrel::store;

constexpr int kPrograms = 300;
constexpr int kNamePool = 2000;

class QuietSink : public vantrel::intake::ReportSink {
  public:
    void PostLogLine(std::string) override {}
    void PostMark(std::string, std::string) override {}
};

std::string SchemaText() {
    const char* env = std::getenv("VANTREL_SCHEMA");
    const std::filesystem::path path =
        env != nullptr && *env != '\0'
            ? std::filesystem::path(env)
            : std::filesystem::path(__FILE__).parent_path() / ".." / "store" / "schema.sql";
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    if (text.str().empty()) {
        throw std::runtime_error("cannot read the schema " + path.string());
    }
    return text.str();
}

std::string MacOf(int n) {
    char text[32];
    std::snprintf(text, sizeof text, "02:00:%02X:%02X:%02X:%02X", (n >> 24) & 0xFF,
                  (n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF);
    return text;
}

void Exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error != nullptr ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

// Program `p` of the pool: half of every PC's list is the same 150
// programs, the rest drawn from the pool; three versions of each.
std::string ProgramName(int p) {
    return "Example Program " + std::to_string(p) + (p % 3 == 0 ? " (x64)" : "");
}
std::string ProgramLine(int p, int version) {
    return ProgramName(p) + "\t" + std::to_string(p % 17) + "." + std::to_string(version) +
           ".1024\tExample Software Corporation " + std::to_string(p % 40) +
           "\t2024-03-01\t64\tmachine\t1\r\n";
}
std::vector<int> ProgramsOfPc(int pc) {
    std::vector<int> programs;
    for (int p = 0; p < kPrograms / 2; ++p) {
        programs.push_back(p);
    }
    std::mt19937 random(static_cast<unsigned>(pc));
    std::uniform_int_distribution<int> pick(kPrograms / 2, kNamePool - 1);
    while (programs.size() < static_cast<std::size_t>(kPrograms)) {
        const int p = pick(random);
        if (std::find(programs.begin(), programs.end(), p) == programs.end()) {
            programs.push_back(p);
        }
    }
    return programs;
}
std::string ListOfPc(int pc, int round = 0) {
    std::string list;
    for (int p : ProgramsOfPc(pc)) {
        list += ProgramLine(p, (pc + p + round) % 3);
    }
    return list;
}

// Form encoding of the few bytes the lists hold that need it.
std::string Encoded(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\t') {
            out += "%09";
        } else if (c == '\r') {
            out += "%0D";
        } else if (c == '\n') {
            out += "%0A";
        } else if (c == ' ') {
            out += '+';
        } else if (c == '(' || c == ')' || c == '.' || c == '-' ||
                   std::isalnum(static_cast<unsigned char>(c))) {
            out += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            out += hex;
        }
    }
    return out;
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

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

long PeakKib() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}
long ResidentKib() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// CPU time of the whole process, ms: the service's threads and the
// clients', which share the machine's cores.
double ProcessCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

void ReReports(const std::string& folder) {
    constexpr int kPcs = 1000;
    const std::string file = folder + "/rereport.mdb";
    {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        Exec(db, SchemaText());
        sqlite3_close(db);
    }
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
        lists.push_back(Encoded(ListOfPc(pc)));
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
    {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        Exec(db, SchemaText());
        sqlite3_close(db);
    }
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
    long peak = 0;
    store::SoftwareCatalog catalog;
    for (int run = 0; run < 3; ++run) {
        catalog = {};
        const long base = ResidentKib();
        ResetPeak();
        const auto start = Clock::now();
        const double cpuStart = ThreadCpuMs();
        catalog = store::ReadSoftwareCatalog(connection);
        countCpu.push_back(ThreadCpuMs() - cpuStart);
        counts.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        peak = std::max(peak, PeakKib() - base);
    }
    std::printf(
        "software tab count (worker thread): median %.0f ms over 3, %zu programs; peak "
        "memory above the process's own %.0f MB, whole process %.0f MB\n",
        Median(counts), catalog.lines.size(), static_cast<double>(peak) / 1024,
        static_cast<double>(PeakKib()) / 1024);
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
