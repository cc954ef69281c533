// Reports per second through the real HTTP service and report handler into
// an inventory of 100,000 rows, over loopback, at 1, 16 and 64 clients.
// Half the reports overwrite a known PC, half add a new one. A reply is only
// sent after the transaction holding the report has committed (rollback
// journal, synchronous FULL), so every thanked report is durable.
//
// References measured in the same run on the same disk: one write+fdatasync
// of a small file, and SQLite inserts of one row and of 16 rows per
// transaction under the store's settings.
//
// Then the cost of the change history: at 16 clients, every report an
// overwrite of a known PC that changes two of its columns (memory and
// graphics card), so that each one reads the row and writes two history
// rows; runs with the history on and off alternate (BENCH_REPORT_PAIRS of
// each, 3 unless set) in the same process on the same file, and the
// medians are compared. Then the cost of the identity values (maker, model,
// serials, UUID, one monitor's EDID, the listed card): at 16 clients, the
// mix of known and new PCs above, with and without those values, in turn
// (BENCH_REPORT_PAIRS of each); every known PC holds the values its reports
// send, so that they change nothing and write nothing, and every new one
// is looked for among the known PCs by UUID, serial and card. Last, the
// cost of the history's bound: the same
// overwrites of PCs that already hold the most entries the history keeps
// for one PC, so that every report also deletes its PC's two oldest. Then
// the cost of an unchanged list of installed programs: the same overwrites
// of 1,000 PCs that already hold their 300-program list, with the list sent
// again and without it, in turn (BENCH_REPORT_PAIRS of each).
//
// Usage: bench_report [reports per run] [clients...]   (defaults 2000; 1 16 64)
// BENCH_REPORT_ONLY_LIST=1 measures only the programs list's cost.
// fdatasync calls per report: run once without the references under
//   BENCH_REPORT_NO_REFERENCE=1 strace -f -c -e trace=fdatasync,fsync bench_report 2000 16
// and divide the calls by the reports (making the inventory adds 3).
// The schema comes from VANTREL_SCHEMA or store/schema.sql of this tree.

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "HttpRequest.h"
#include "HttpService.h"
#include "InventoryDatabase.h"
#include "ProgramLists.h"
#include "ReportClients.h"
#include "ReportHandler.h"
#include "ReportStore.h"

namespace {

using vantrel::bench::Clock;
using vantrel::bench::MacOf;
using vantrel::bench::Percentile;
using vantrel::bench::ProcessCpuMs;
using vantrel::bench::RunReports;
using vantrel::bench::RunResult;
using vantrel::bench::SchemaText;
using vantrel::intake::Connection;
using vantrel::intake::HttpReply;
using vantrel::intake::HttpRequest;

constexpr int kTableRows = 100000;

class CountingSink : public vantrel::intake::ReportSink {
  public:
    void PostLogLine(std::string) override { lines.fetch_add(1); }
    void PostMark(std::string, std::string) override { marks.fetch_add(1); }
    std::atomic<long> lines{0};
    std::atomic<long> marks{0};
};

// Values every generated PC shares, or picks by its number.
const std::string kUserPrefix = "\xD3\xC3\xBB\xA7";                             // 用户
const std::string kCpu = "8 \xB8\xF6\xC2\xDF\xBC\xAD\xB4\xA6\xC0\xED\xC6\xF7";  // 个逻辑处理器
const std::string kOs = "Windows 10/11 64\xCE\xBB";                             // 位
// 财务部, 技术部, 行政部; 台式, 笔记本
const char* const kDepartments[] = {"\xB2\xC6\xCE\xF1\xB2\xBF", "\xBC\xBC\xCA\xF5\xB2\xBF",
                                    "\xD0\xD0\xD5\xFE\xB2\xBF"};
const char* const kKinds[] = {"\xCC\xA8\xCA\xBD", "\xB1\xCA\xBC\xC7\xB1\xBE"};

std::string IpOf(int n) {
    return "10." + std::to_string((n >> 16) & 0xFF) + "." + std::to_string((n >> 8) & 0xFF) + "." +
           std::to_string(n & 0xFF);
}

void Check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
    }
}

// An inventory of `rows` PCs with code page 936 text, MACs 0 .. rows-1.
void MakeInventory(const std::string& file, int rows) {
    sqlite3* db = nullptr;
    Check(sqlite3_open(file.c_str(), &db), db, "open");
    Check(sqlite3_exec(db, SchemaText().c_str(), nullptr, nullptr, nullptr), db, "schema");
    Check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(db,
                             "insert into ip (pcname,username,mac,ip,cpu,os,pctype,rammax,bm,xk) "
                             "values (?,?,?,?,?,?,?,?,?,?)",
                             -1, &insert, nullptr),
          db, "prepare");
    for (int n = 0; n < rows; ++n) {
        const std::string values[] = {"PC-" + std::to_string(n),
                                      kUserPrefix + std::to_string(n),
                                      MacOf(n),
                                      IpOf(n),
                                      kCpu,
                                      kOs,
                                      kKinds[n % 2],
                                      "16 GB",
                                      kDepartments[n % 3],
                                      "Intel(R) UHD Graphics 630"};
        for (int i = 0; i < 10; ++i) {
            sqlite3_bind_text(insert, i + 1, values[i].data(), static_cast<int>(values[i].size()),
                              SQLITE_TRANSIENT);
        }
        Check(sqlite3_step(insert), db, "insert");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

// The EDID every generated PC's monitor has: a sound base block, as hex.
std::string MonitorHex() {
    unsigned char edid[128] = {0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0x10, 0xAC, 0xC1, 0xA0};
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i) {
        sum += edid[i];
    }
    edid[127] = static_cast<unsigned char>((256 - sum % 256) % 256);
    std::string hex;
    for (unsigned char c : edid) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", c);
        hex += pair;
    }
    return hex;
}

std::string UuidOf(int n) {
    char text[40];
    std::snprintf(text, sizeof text, "4c4c4544-0000-0000-0000-%012x", n);
    return text;
}

// The firmware values, monitor and card of every PC, as its reports send
// them.
void FillIdentity(const std::string& file, int rows) {
    sqlite3* db = nullptr;
    Check(sqlite3_open(file.c_str(), &db), db, "open");
    Check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt* device = nullptr;
    Check(sqlite3_prepare_v2(db,
                             "insert into ip_device (mac,maker,model,serial,boardserial,"
                             "chassisserial,assettag,uuid,reporttime) values "
                             "(?1,'HP','EliteDesk 800 G6',?2,'','','',?3,'2024-01-01 00:00:00')",
                             -1, &device, nullptr),
          db, "prepare");
    sqlite3_stmt* monitor = nullptr;
    const std::string edid = "x'" + MonitorHex() + "'";
    Check(sqlite3_prepare_v2(db,
                             ("insert into ip_monitor (mac,edid,pnp,product,serialnumber,"
                              "serialtext,modelname,firstseen,lastseen,connected) values (?1," +
                              edid +
                              ",'DEL',41153,'','','','2024-01-01 00:00:00',"
                              "'2024-01-01 00:00:00',1)")
                                 .c_str(),
                             -1, &monitor, nullptr),
          db, "prepare");
    sqlite3_stmt* card = nullptr;
    Check(sqlite3_prepare_v2(db, "insert into ip_knownmac (othermac,mac) values (?1,?1)", -1, &card,
                             nullptr),
          db, "prepare");
    for (int n = 0; n < rows; ++n) {
        const std::string mac = MacOf(n);
        const std::string serial = "SN" + std::to_string(n);
        const std::string uuid = UuidOf(n);
        for (sqlite3_stmt* statement : {device, monitor, card}) {
            sqlite3_bind_text(statement, 1, mac.data(), static_cast<int>(mac.size()),
                              SQLITE_TRANSIENT);
        }
        sqlite3_bind_text(device, 2, serial.data(), static_cast<int>(serial.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_text(device, 3, uuid.data(), static_cast<int>(uuid.size()), SQLITE_TRANSIENT);
        for (sqlite3_stmt* statement : {device, monitor, card}) {
            Check(sqlite3_step(statement), db, "insert");
            sqlite3_reset(statement);
        }
    }
    for (sqlite3_stmt* statement : {device, monitor, card}) {
        sqlite3_finalize(statement);
    }
    Check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

long long CountRows(const std::string& file) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "select count(*) from ip", -1, &statement, nullptr);
    long long count = -1;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        count = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

long CountHistory(const std::string& file) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "select count(*) from ip_history", -1, &statement, nullptr);
    long count = -1;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        count = static_cast<long>(sqlite3_column_int64(statement, 0));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

// With `identity`, each report also sends its PC's firmware values, its
// monitor and its card, as the collectors do.
RunResult RunClients(std::uint16_t port, int reports, int clients, int firstNew,
                     bool identity = false) {
    static const std::string monitor = MonitorHex();
    return RunReports(port, reports, clients, 0, [firstNew, identity](int i, std::mt19937& random) {
        // Even reports overwrite a known PC of the first half, odd ones add
        // a new PC; the second half is left for the overwrites that measure
        // the history.
        const int mac = i % 2 == 0 ? static_cast<int>(random() % (kTableRows / 2)) : firstNew + i;
        std::string body = "xipMac=" + MacOf(mac) + "&xipUserName=%D5%C5%C8%FD" + "&xipName=PC-" +
                           std::to_string(mac) +
                           "&bm=%BC%BC%CA%F5%B2%BF&xipOs=Windows+10%2F11&xipCpu=8"
                           "&xipIp=10.1.2.3";
        if (identity) {
            body += "&xipMaker=HP&xipModel=EliteDesk+800+G6&xipSerial=SN" + std::to_string(mac) +
                    "&xipBoardSerial=&xipChassisSerial=&xipAssetTag=&xipUuid=" + UuidOf(mac) +
                    "&xipMonitors=" + monitor + "&xipMacs=" + MacOf(mac);
        }
        return body;
    });
}

// %XX for every byte but letters and digits.
std::string FormEncoded(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            out += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        }
    }
    return out;
}

// A report of known PC `n` with every value as MakeInventory stored it,
// but memory and graphics card, which are new for every `serial`.
std::string OverwriteBody(int n, long serial) {
    const std::string values[][2] = {
        {"xipMac", MacOf(n)},
        {"xipName", "PC-" + std::to_string(n)},
        {"xipUserName", kUserPrefix + std::to_string(n)},
        {"xipIp", IpOf(n)},
        {"xipCpu", kCpu},
        {"xipOs", kOs},
        {"xipDorl", kKinds[n % 2]},
        {"xipRammax", std::to_string(4096 + serial) + " MB"},
        {"bm", kDepartments[n % 3]},
        {"xipXk", "GPU " + std::to_string(serial)},
    };
    std::string body;
    for (const auto& [name, value] : values) {
        body += (body.empty() ? "" : "&") + name + "=" + FormEncoded(value);
    }
    return body;
}

// Overwrites of known PCs `first` to `first + count - 1`, `firstSerial` on.
RunResult RunOverwrites(std::uint16_t port, int reports, int clients, long firstSerial,
                        int first = kTableRows / 2, int count = kTableRows / 2) {
    return RunReports(
        port, reports, clients, 1000, [firstSerial, first, count](int i, std::mt19937& random) {
            return OverwriteBody(first + static_cast<int>(random() % count), firstSerial + i);
        });
}

// PCs whose history is full: the most entries the history keeps for one.
constexpr int kFullPcs = 500;
constexpr int kEntriesKept = 500;

// Gives PCs `first` to `first + kFullPcs - 1` a full history, written as
// reports would have written it, oldest first.
void FillHistory(const std::string& file, int first) {
    sqlite3* db = nullptr;
    Check(sqlite3_open(file.c_str(), &db), db, "open");
    sqlite3_busy_timeout(db, 5000);
    Check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(db,
                             "insert into ip_history (mac,field,oldvalue,newvalue,changetime,"
                             "address) values (?,'rammax',?,?,'2024-01-01 00:00:00','10.1.2.3')",
                             -1, &insert, nullptr),
          db, "prepare");
    for (int entry = 0; entry < kEntriesKept; ++entry) {
        const std::string before = std::to_string(entry) + " MB";
        const std::string after = std::to_string(entry + 1) + " MB";
        for (int pc = first; pc < first + kFullPcs; ++pc) {
            const std::string mac = MacOf(pc);
            sqlite3_bind_text(insert, 1, mac.data(), static_cast<int>(mac.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, before.data(), static_cast<int>(before.size()),
                              SQLITE_STATIC);
            sqlite3_bind_text(insert, 3, after.data(), static_cast<int>(after.size()),
                              SQLITE_STATIC);
            Check(sqlite3_step(insert), db, "insert");
            sqlite3_reset(insert);
        }
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

// Small writes, each followed by fdatasync, for one second: per second.
double WriteSyncPerSecond(const std::string& folder) {
    const std::string file = folder + "/sync-reference";
    int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw std::runtime_error("cannot create " + file);
    }
    char block[512] = {};
    int count = 0;
    const auto start = Clock::now();
    double seconds = 0;
    while (seconds < 1.0) {
        if (::pwrite(fd, block, sizeof block, 0) != static_cast<ssize_t>(sizeof block) ||
            ::fdatasync(fd) != 0) {
            ::close(fd);
            throw std::runtime_error("write+fdatasync failed");
        }
        ++count;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    ::close(fd);
    std::filesystem::remove(file);
    return count / seconds;
}

// Report-sized inserts into a copy of the schema under the store's journal
// settings, `perTransaction` rows per transaction, for about a second.
double SqliteRowsPerSecond(const std::string& folder, int perTransaction) {
    const std::string file = folder + "/reference-" + std::to_string(perTransaction) + ".mdb";
    sqlite3* db = nullptr;
    Check(sqlite3_open(file.c_str(), &db), db, "open");
    Check(sqlite3_exec(db, SchemaText().c_str(), nullptr, nullptr, nullptr), db, "schema");
    Check(sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL", nullptr, nullptr,
                       nullptr),
          db, "pragma");
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(db, "insert into ip (pcname,username,mac,bm,os) values (?,?,?,?,?)",
                             -1, &insert, nullptr),
          db, "prepare");
    long rows = 0;
    const auto start = Clock::now();
    double seconds = 0;
    while (seconds < 1.0) {
        Check(sqlite3_exec(db, "begin", nullptr, nullptr, nullptr), db, "begin");
        for (int i = 0; i < perTransaction; ++i, ++rows) {
            const std::string mac = MacOf(static_cast<int>(rows));
            for (int p = 1; p <= 5; ++p) {
                sqlite3_bind_text(insert, p, mac.data(), static_cast<int>(mac.size()),
                                  SQLITE_TRANSIENT);
            }
            Check(sqlite3_step(insert), db, "insert");
            sqlite3_reset(insert);
        }
        Check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db, "commit");
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
    std::filesystem::remove(file);
    return static_cast<double>(rows) / seconds;
}

const char* EnvOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

int CountCommit(void* commits) {
    static_cast<std::atomic<long>*>(commits)->fetch_add(1);
    return 0;  // let the commit go on
}

// An unchanged programs list's cost: overwrites of PCs that hold their list
// already, the list sent again or not, in turn. `serial` numbers the
// overwrites' values on.
void ListCost(std::uint16_t port, int reports, int pairs, long& serial) {
    constexpr int kOverwriteClients = 16;
    constexpr int kListPcs = 1000;
    std::vector<std::string> lists;
    for (int pc = 0; pc < kListPcs; ++pc) {
        lists.push_back(vantrel::bench::ListEncoded(vantrel::bench::ListOfPc(pc)));
    }
    const auto listRun = [&](int count, bool withList, unsigned seed, bool everyPc) {
        const long first = serial;
        serial += count;
        return RunReports(port, count, kOverwriteClients, seed,
                          [&, first, withList, everyPc](int i, std::mt19937& random) {
                              const int pc = everyPc ? i : static_cast<int>(random() % kListPcs);
                              std::string body = OverwriteBody(pc, first + i);
                              if (withList) {
                                  body += "&xipSoftware=";
                                  body += lists[static_cast<std::size_t>(pc)];
                              }
                              return body;
                          });
    };
    listRun(kListPcs, true, 1, true);   // every PC holds its list
    std::vector<double> listRates[2];   // without, with
    std::vector<double> serviceCpu[2];  // ms a report, the clients' left out
    for (int round = 0; round < 2 * pairs; ++round) {
        const bool withList = round % 2 == 0;
        const double cpuBefore = ProcessCpuMs();
        RunResult run = listRun(reports, withList, 2000 + static_cast<unsigned>(round), false);
        serviceCpu[withList].push_back((ProcessCpuMs() - cpuBefore - run.clientCpuMs) / reports);
        listRates[withList].push_back(reports / run.seconds);
        std::printf(
            "%2d clients, overwrites of %d PCs, unchanged %d-program list %s: %d "
            "reports, %d failed: %.0f reports/s, p50 %.2f ms, p99 %.2f ms, service CPU "
            "%.3f ms a report\n",
            kOverwriteClients, kListPcs, vantrel::bench::kPrograms,
            withList ? "sent    " : "not sent", reports, run.failed, listRates[withList].back(),
            Percentile(run.latencies, 0.50), Percentile(run.latencies, 0.99),
            serviceCpu[withList].back());
    }
    const double with = vantrel::bench::Median(listRates[1]);
    const double without = vantrel::bench::Median(listRates[0]);
    std::printf(
        "unchanged programs list (%zu bytes encoded): median of %d runs: with %.0f "
        "reports/s, without %.0f reports/s: %.2fx; the service's CPU a report %.3f ms "
        "with, %.3f ms without\n",
        lists[0].size(), pairs, with, without, without > 0 ? with / without : 0.0,
        vantrel::bench::Median(serviceCpu[1]), vantrel::bench::Median(serviceCpu[0]));
}

}  // namespace

int main(int argc, char** argv) {
    const int reports = argc > 1 ? std::atoi(argv[1]) : 2000;
    std::vector<int> clientCounts;
    for (int i = 2; i < argc; ++i) {
        clientCounts.push_back(std::atoi(argv[i]));
    }
    if (clientCounts.empty()) {
        clientCounts = {1, 16, 64};
    }
    char folder[] = "/tmp/bench-report-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string file = std::string(folder) + "/db.mdb";
    try {
        const auto made = Clock::now();
        MakeInventory(file, kTableRows);
        {
            // The identity tables as the store adds them at open.
            vantrel::store::InventoryDatabase adding;
            adding.Open(file);
        }
        FillIdentity(file, kTableRows);
        std::printf("inventory of %d rows made in %.1f s\n", kTableRows,
                    std::chrono::duration<double>(Clock::now() - made).count());

        // BENCH_REPORT_NO_REFERENCE=1 leaves them out, so that strace counts
        // only the syncs of the reports.
        const bool references = std::getenv("BENCH_REPORT_NO_REFERENCE") == nullptr;
        const double syncs = references ? WriteSyncPerSecond(folder) : 0;
        const double single = references ? SqliteRowsPerSecond(folder, 1) : 0;
        const double grouped = references ? SqliteRowsPerSecond(folder, 16) : 0;
        std::printf(
            "reference: write+fdatasync %.0f/s; sqlite rows, 1 per transaction %.0f/s, "
            "16 per transaction %.0f/s\n",
            syncs, single, grouped);

        vantrel::store::InventoryDatabase connection;
        connection.Open(file);
        std::atomic<long> commits{0};
        {
            auto guard = connection.Lock();
            sqlite3_commit_hook(connection.Handle(), CountCommit, &commits);
        }
        CountingSink sink;
        vantrel::intake::ReportHandler handler(connection, sink);
        vantrel::intake::HttpService service(0);
        service.SetOnCommandGet(
            [&](Connection& c, const HttpRequest& r, HttpReply&) { handler.RouteRequest(c, r); });
        service.StartService();

        if (std::getenv("BENCH_REPORT_ONLY_LIST") != nullptr) {
            long serial = 0;
            ListCost(service.Port(), reports,
                     std::max(1, std::atoi(EnvOr("BENCH_REPORT_PAIRS", "3"))), serial);
            service.StopService();
            connection.Close();
            std::filesystem::remove_all(folder);
            return 0;
        }
        int firstNew = kTableRows;
        long expectedRows = kTableRows;
        for (int clients : clientCounts) {
            const long commitsBefore = commits.load();
            RunResult run = RunClients(service.Port(), reports, clients, firstNew);
            firstNew += reports;
            expectedRows += reports / 2;
            const long transactions = commits.load() - commitsBefore;
            const double perSecond = reports / run.seconds;
            std::printf(
                "%2d clients: %d reports, %d failed: %.0f reports/s (%.2fx write+fdatasync, "
                "%.2fx sqlite 1/transaction), p50 %.2f ms, p99 %.2f ms, "
                "%.1f reports per transaction\n",
                clients, reports, run.failed, perSecond, perSecond / syncs, perSecond / single,
                Percentile(run.latencies, 0.50), Percentile(run.latencies, 0.99),
                transactions > 0
                    ? static_cast<double>(reports - run.failed) / static_cast<double>(transactions)
                    : 0.0);
        }
        // The identity values' cost: the same mix of known and new PCs with
        // and without them, in turn.
        {
            const int identityPairs = std::max(1, std::atoi(EnvOr("BENCH_REPORT_PAIRS", "3")));
            std::vector<double> identityRates[2];  // without, with
            std::vector<double> identityP99s[2];
            for (int round = 0; round < 2 * identityPairs; ++round) {
                const bool identity = round % 2 == 0;
                RunResult run = RunClients(service.Port(), reports, 16, firstNew, identity);
                firstNew += reports;
                expectedRows += reports / 2;
                identityRates[identity].push_back(reports / run.seconds);
                identityP99s[identity].push_back(Percentile(run.latencies, 0.99));
                std::printf(
                    "16 clients, known and new PCs, identity values %s: %d reports, %d failed: "
                    "%.0f reports/s, p50 %.2f ms, p99 %.2f ms\n",
                    identity ? "sent    " : "not sent", reports, run.failed,
                    identityRates[identity].back(), Percentile(run.latencies, 0.50),
                    identityP99s[identity].back());
            }
            for (auto* list :
                 {&identityRates[0], &identityRates[1], &identityP99s[0], &identityP99s[1]}) {
                std::sort(list->begin(), list->end());
            }
            const double with = Percentile(identityRates[1], 0.5);
            const double without = Percentile(identityRates[0], 0.5);
            std::printf(
                "identity values: median of %d runs: with %.0f reports/s, p99 %.2f ms; without "
                "%.0f reports/s, p99 %.2f ms: %.1f %% fewer\n",
                identityPairs, with, Percentile(identityP99s[1], 0.5), without,
                Percentile(identityP99s[0], 0.5),
                without > 0 ? 100.0 * (1.0 - with / without) : 0.0);
        }

        // The history's cost: the same overwrites with it on and off, in
        // turn, so that both meet the same disk and the same neighbours.
        constexpr int kOverwriteClients = 16;
        const int pairs = std::max(1, std::atoi(EnvOr("BENCH_REPORT_PAIRS", "3")));
        long serial = 0;
        long recorded = 0;
        std::vector<double> rates[2];  // off, on
        std::vector<double> p99s[2];
        for (int round = 0; round < 2 * pairs; ++round) {
            const bool history = round % 2 == 0;
            handler.Reports().SetRecordHistory(history);
            const long historyBefore = CountHistory(file);
            RunResult run = RunOverwrites(service.Port(), reports, kOverwriteClients, serial);
            serial += reports;
            recorded += CountHistory(file) - historyBefore;
            rates[history].push_back(reports / run.seconds);
            p99s[history].push_back(Percentile(run.latencies, 0.99));
            std::printf(
                "%2d clients, overwrites changing 2 columns, history %s: %d reports, %d failed: "
                "%.0f reports/s, p50 %.2f ms, p99 %.2f ms\n",
                kOverwriteClients, history ? "on " : "off", reports, run.failed,
                rates[history].back(), Percentile(run.latencies, 0.50), p99s[history].back());
        }
        for (auto* list : {&rates[0], &rates[1], &p99s[0], &p99s[1]}) {
            std::sort(list->begin(), list->end());
        }
        const double on = Percentile(rates[1], 0.5);
        const double off = Percentile(rates[0], 0.5);
        std::printf(
            "history rows written: %ld (expected %ld); median of %d runs: with history %.0f "
            "reports/s, p99 %.2f ms; without %.0f reports/s, p99 %.2f ms: %.1f %% fewer\n",
            recorded, 2L * pairs * reports, pairs, on, Percentile(p99s[1], 0.5), off,
            Percentile(p99s[0], 0.5), off > 0 ? 100.0 * (1.0 - on / off) : 0.0);

        // The bound's cost: overwrites of PCs whose history is full, so that
        // each report's two new entries push out its PC's two oldest.
        const int fullFirst = kTableRows / 2;
        FillHistory(file, fullFirst);
        handler.Reports().SetRecordHistory(true);
        std::vector<double> fullRates;
        std::vector<double> fullP99s;
        long fullBefore = CountHistory(file);
        for (int round = 0; round < pairs; ++round) {
            RunResult run = RunOverwrites(service.Port(), reports, kOverwriteClients, serial,
                                          fullFirst, kFullPcs);
            serial += reports;
            fullRates.push_back(reports / run.seconds);
            fullP99s.push_back(Percentile(run.latencies, 0.99));
            std::printf(
                "%2d clients, overwrites of %d PCs with a full history: %d reports, %d failed: "
                "%.0f reports/s, p50 %.2f ms, p99 %.2f ms\n",
                kOverwriteClients, kFullPcs, reports, run.failed, fullRates.back(),
                Percentile(run.latencies, 0.50), fullP99s.back());
        }
        std::sort(fullRates.begin(), fullRates.end());
        std::sort(fullP99s.begin(), fullP99s.end());
        const double full = Percentile(fullRates, 0.5);
        std::printf(
            "history at its bound: entries %ld before, %ld after (kept); median %.0f reports/s, "
            "p99 %.2f ms: %.1f %% fewer than below the bound\n",
            fullBefore, CountHistory(file), full, Percentile(fullP99s, 0.5),
            on > 0 ? 100.0 * (1.0 - full / on) : 0.0);

        ListCost(service.Port(), reports, pairs, serial);

        service.StopService();
        connection.Close();
        std::printf("rows after: %lld (expected %ld), log lines %ld, marks %ld\n", CountRows(file),
                    expectedRows, sink.lines.load(), sink.marks.load());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_report: %s\n", error.what());
        std::filesystem::remove_all(folder);
        return 1;
    }
    std::filesystem::remove_all(folder);
    return 0;
}
