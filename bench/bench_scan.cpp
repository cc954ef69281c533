// LAN scan figures. (1) A sweep of 127.0.0.1 to 127.0.0.254 through the
// program's own main-thread hand-off and socket notifier, with fake name
// services answering on some addresses: the total time against the pacing
// limit (silent addresses x Interval, plus the time each answer took) and
// the overhead per address beyond it. Then a /22 of loopback addresses that
// all answer, with and without the sightings written to ip_seen as the scan
// tab writes them. (2) The cost of showing hosts missing
// from table ip with 100,000 rows there: loading the MACs at the start of a
// sweep, an answer with and without the colour, and a report arriving.
// (3) A sweep of 762 silent on-link addresses in a network namespace.
// Usage: bench_scan [answer every n-th address] [directory]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "InventoryDatabase.h"
#include "NodeStatusProber.h"
#include "OnlineList.h"
#include "OnlineListModel.h"
#include "QtMainThread.h"
#include "ReportedMacs.h"
#include "ScanWindow.h"
#include "SightingBatch.h"
#include "SweepEvent.h"

using Clock = std::chrono::steady_clock;
using vantrel::scan::NodeStatusProber;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A node-status answer with one unique 0x20 name and the given last MAC bytes.
std::string Answer(int host) {
    std::string out("\x00\x00\x84\x00\x00\x00\x00\x01\x00\x00\x00\x00\x20", 13);
    out += "CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA";
    out += std::string("\x00\x00\x21\x00\x01\x00\x00\x00\x00\x00\x41\x01", 12);
    std::string name = "PC" + std::to_string(host);
    name.resize(15, ' ');
    out += name + std::string("\x20\x04\x00", 3);
    out +=
        std::string("\x00\x0C\x29\x00", 4) + static_cast<char>(host >> 8) + static_cast<char>(host);
    out += std::string(46, '\0');
    return out;
}

// Answers every request at once on each of its loopback addresses.
class Responders {
  public:
    explicit Responders(const std::vector<int>& hosts) {
        for (int host : hosts) {
            const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_port = htons(port_);
            // host is the address's last two bytes: 127.0.x.y.
            local.sin_addr.s_addr = htonl(0x7F000000u | static_cast<unsigned>(host));
            if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
                std::perror("bind");
                std::exit(1);
            }
            socklen_t length = sizeof local;
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
            port_ = ntohs(local.sin_port);
            fds_.push_back({fd, POLLIN, 0});
            answers_.push_back(Answer(host));
        }
        thread_ = std::thread([this] {
            while (!stop_) {
                if (::poll(fds_.data(), fds_.size(), 10) <= 0) {
                    continue;
                }
                for (std::size_t i = 0; i < fds_.size(); ++i) {
                    if (fds_[i].revents & POLLIN) {
                        char buffer[100];
                        sockaddr_in peer{};
                        socklen_t length = sizeof peer;
                        if (::recvfrom(fds_[i].fd, buffer, sizeof buffer, 0,
                                       reinterpret_cast<sockaddr*>(&peer), &length) > 0) {
                            ::sendto(fds_[i].fd, answers_[i].data(), answers_[i].size(), 0,
                                     reinterpret_cast<sockaddr*>(&peer), sizeof peer);
                        }
                    }
                }
            }
        });
    }
    ~Responders() {
        stop_ = true;
        thread_.join();
        for (const pollfd& entry : fds_) {
            ::close(entry.fd);
        }
    }
    std::uint16_t Port() const { return port_; }

  private:
    std::uint16_t port_ = 0;
    std::vector<pollfd> fds_;
    std::vector<std::string> answers_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class TimingWindow : public vantrel::scan::ScanWindow {
  public:
    vantrel::scan::OnlineList& List() override { return list; }
    void OnlineListChanged() override { answered.push_back(Clock::now()); }
    void AnswerReceived(const NodeStatusProber&, const std::string& name,
                        const std::string& address, const std::string& mac) override {
        if (sightings != nullptr) {
            sightings->Add(name, address, mac, "2024-05-06 10:00:00");
        }
    }
    void SetProbeAddressText(const std::string&) override { sent.push_back(Clock::now()); }
    void SetCountText(const std::string&) override {}
    void ShowInformation(const std::string& text) override {
        std::printf("information: %s\n", text.c_str());
    }
    bool AskAbortAfterSendError(const std::string&) override {
        ++sendErrors;
        return true;
    }
    void SweepAborted(const NodeStatusProber&) override { QCoreApplication::quit(); }
    void SweepCompleted(const NodeStatusProber&) override {
        if (sightings != nullptr) {
            sightings->Flush();
        }
        end = Clock::now();
        QCoreApplication::quit();
    }

    vantrel::app::SightingBatch* sightings = nullptr;

    vantrel::scan::OnlineList list;
    std::vector<Clock::time_point> sent;
    std::vector<Clock::time_point> answered;
    Clock::time_point end;
    int sendErrors = 0;
};

void BenchSweep(int every) {
    std::vector<int> hosts;
    for (int host = 1; host <= 254; host += every) {
        hosts.push_back(host);
    }
    Responders responders(hosts);
    vantrel::app::QtMainThread mainThread;
    TimingWindow window;
    auto prober = std::make_unique<NodeStatusProber>(window, mainThread, responders.Port());
    QSocketNotifier notifier(prober->Socket(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated,
                     [&prober] { prober->HandleSocketMessage(); });
    const auto start = Clock::now();
    prober->StartSweep("127.0.0.1", "127.0.0.254");
    QCoreApplication::exec();
    mainThread.Close();
    prober.reset();

    // Each answer's time: from its address's send to the answer handled.
    double answerMs = 0;
    std::size_t a = 0;
    for (std::size_t i = 0; i < window.sent.size() && a < window.answered.size(); ++i) {
        const auto next = i + 1 < window.sent.size() ? window.sent[i + 1] : window.end;
        if (window.answered[a] < next) {
            answerMs += Ms(window.answered[a] - window.sent[i]);
            ++a;
        }
    }
    const double total = Ms(window.end - start);
    const std::size_t silent = window.sent.size() - a;
    const double limit =
        static_cast<double>(silent) * NodeStatusProber::kDefaultInterval + answerMs;
    std::printf("sweep 127.0.0.1-254: %zu requests, %zu answers, %zu silent\n", window.sent.size(),
                window.list.ResultCount(), silent);
    std::printf("  total %.1f ms, pacing limit %.1f ms (silent x %d ms + %.2f ms of answers)\n",
                total, limit, NodeStatusProber::kDefaultInterval, answerMs);
    std::printf("  overhead %.3f ms per address beyond the limit\n",
                (total - limit) / static_cast<double>(window.sent.size()));
}

// A /22 (127.0.0.1 to 127.0.3.254) where every address answers, so that
// the sweep runs as fast as answers come; with `directory`, the answers go
// to ip_seen of an inventory there.
double BenchWideSweep(const std::string& directory) {
    std::vector<int> hosts;
    for (int host = 1; host < 4 * 256 - 1; ++host) {
        if ((host & 0xFF) != 0 && (host & 0xFF) != 0xFF) {
            hosts.push_back(host);
        }
    }
    Responders responders(hosts);
    vantrel::store::InventoryDatabase connection;
    std::unique_ptr<vantrel::app::SightingBatch> sightings;
    const std::string path = directory + "/bench_scan_seen.mdb";
    if (!directory.empty()) {
        std::filesystem::remove(path);
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db,
                     "CREATE TABLE ip (pcname TEXT, username TEXT, mac TEXT, ip TEXT, cpu TEXT,"
                     " board TEXT, os TEXT, pctype TEXT, rammax TEXT, rammin TEXT, bios TEXT,"
                     " bm TEXT, dh TEXT, bz TEXT, yp TEXT, xk TEXT, djsj DATETIME)",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
        connection.Open(path);  // adds ip_seen, as for any file
        sightings = std::make_unique<vantrel::app::SightingBatch>(
            connection,
            [](const std::string& error) { std::printf("write: %s\n", error.c_str()); });
    }
    vantrel::app::QtMainThread mainThread;
    TimingWindow window;
    window.sightings = sightings.get();
    auto prober = std::make_unique<NodeStatusProber>(window, mainThread, responders.Port());
    QSocketNotifier notifier(prober->Socket(), QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated,
                     [&prober] { prober->HandleSocketMessage(); });
    const auto start = Clock::now();
    prober->StartSweep("127.0.0.1", "127.0.3.254");
    QCoreApplication::exec();
    mainThread.Close();
    prober.reset();
    const double total = Ms(window.end - start);
    std::printf("  /22 %s sightings: %zu requests, %zu answers, %.1f ms (%.3f ms per address)",
                sightings ? "with" : "without", window.sent.size(), window.list.ResultCount(),
                total, total / static_cast<double>(window.sent.size()));
    if (sightings) {
        std::printf(", %zu transactions", sightings->Batches());
    }
    std::printf("\n");
    sightings.reset();
    connection.Close();
    if (!directory.empty()) {
        std::filesystem::remove(path);
    }
    return total;
}

// Where the overhead goes: one hand-off to the main thread and back, and how
// late a timed wait on the sweep event returns.
void BenchParts() {
    vantrel::app::QtMainThread mainThread;
    const int calls = 2000;
    double handOffMs = 0;
    std::thread worker([&] {
        const auto start = Clock::now();
        for (int i = 0; i < calls; ++i) {
            mainThread.RunSync([] {});
        }
        handOffMs = Ms(Clock::now() - start) / calls;
        mainThread.RunSync([] { QCoreApplication::quit(); });
    });
    QCoreApplication::exec();
    worker.join();
    auto event = vantrel::scan::SweepEvent::Open("BENCH_EVENT");
    const int waits = 50;
    const auto start = Clock::now();
    for (int i = 0; i < waits; ++i) {
        event->Wait(std::chrono::milliseconds(10));
    }
    const double lateMs = Ms(Clock::now() - start) / waits - 10.0;
    std::printf("  hand-off round trip %.3f ms; a timed wait returns %.3f ms late\n", handOffMs,
                lateMs);
}

std::string MacOf(int i) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", 0x00, 0x16, (i >> 16) & 0xFF,
                  (i >> 8) & 0xFF, i & 0xFF, 0x42);
    return text;
}

void BenchColour(const std::string& directory) {
    const int rows = 100000;
    const std::string path = directory + "/bench_scan.mdb";
    std::filesystem::remove(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE ip (pcname TEXT, username TEXT, mac TEXT COLLATE NOCASE, ip TEXT,"
                 " cpu TEXT, board TEXT, os TEXT, pctype TEXT, rammax TEXT, rammin TEXT,"
                 " bios TEXT, bm TEXT, dh TEXT, bz TEXT, yp TEXT, xk TEXT,"
                 " djsj DATETIME DEFAULT (datetime('now', 'localtime')));"
                 "CREATE INDEX ip_mac ON ip (mac); BEGIN;",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "insert into ip (pcname, mac, ip, cpu) values (?1, ?2, ?3, ?4)", -1,
                       &insert, nullptr);
    for (int i = 0; i < rows; ++i) {
        const std::string name = "PC" + std::to_string(i);
        const std::string mac = MacOf(i);
        const std::string ip = "10." + std::to_string(i >> 16) + "." +
                               std::to_string((i >> 8) & 0xFF) + "." + std::to_string(i & 0xFF);
        sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, mac.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, ip.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 4, "Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz", -1, SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(db);

    vantrel::store::InventoryDatabase connection;
    connection.Open(path);
    vantrel::app::ReportedMacs macs(connection);
    std::printf("unreported colour, %d rows in ip:\n", rows);

    // One answer as the window handles it: fill the slot, announce the
    // change, and the view reading the 25 visible rows' cells (text, and the
    // colour roles when asked for). Half the hosts are in table ip.
    for (bool coloured : {false, true}) {
        vantrel::scan::OnlineList list;
        list.WriteHeader();
        vantrel::app::OnlineListModel model(list);
        if (coloured) {
            model.SetUnreportedTest([&](std::size_t row) {
                return row >= 1 && row + 1 < list.RowCount() &&
                       macs.IsUnreportedRow(row,
                                            list.Cell(vantrel::scan::OnlineList::kColMac, row));
            });
        }
        const int answers = 254;
        const auto drawVisible = [&] {
            const int first = std::max(0, model.rowCount() - 25);
            for (int r = first; r < model.rowCount(); ++r) {
                for (int c = 0; c < 4; ++c) {
                    const QModelIndex index = model.index(r, c);
                    (void)model.data(index, Qt::DisplayRole);
                    (void)model.data(index, Qt::BackgroundRole);
                    (void)model.data(index, Qt::ForegroundRole);
                }
            }
        };
        auto start = Clock::now();
        for (int i = 0; i < answers; ++i) {
            char mac[18];
            const int known = i * 97;
            std::snprintf(mac, sizeof mac, "00.16.%02X.%02X.%02X.%02X", (known >> 16) & 0xFF,
                          (known >> 8) & 0xFF, known & 0xFF, i % 2 == 0 ? 0x42 : 0x43);
            list.FillSlot("PC" + std::to_string(i), "127.0.0.1", mac);
            model.Sync();
            drawVisible();
        }
        std::printf("  per answer %s colour: %.1f us\n", coloured ? "with" : "without",
                    Ms(Clock::now() - start) * 1000.0 / answers);
        if (coloured) {
            // A report arriving: every visible row is looked up again.
            start = Clock::now();
            macs.Refresh();
            model.Sync();
            drawVisible();
            std::printf("  a report arriving (25 visible rows looked up anew): %.1f us\n",
                        Ms(Clock::now() - start) * 1000.0);
        }
    }
    connection.Close();
    std::filesystem::remove(path);
}

// (3) 762 silent on-link addresses (10.77.84.1 to 10.77.86.254 beside a
// veth at 10.77.80.1/20 in a network namespace of this process's own, with
// the kernel's default neighbour settings) at an Interval of 10 ms: from
// about the 256th on the send buffer is full of datagrams waiting for
// resolutions that fail, and the sweep waits for room. Needs root (network
// namespaces); skipped otherwise. Run last: the main thread stays in the
// namespace.
void BenchSilentSegment() {
    if (::unshare(CLONE_NEWNET) != 0) {
        std::printf("silent on-link sweep: skipped (needs root for a network namespace)\n");
        return;
    }
    const char* steps[] = {"ip link set lo up", "ip link add vbench type veth peer name vbenchp",
                           "ip addr add 10.77.80.1/20 dev vbench", "ip link set vbench up",
                           "ip link set vbenchp up"};
    for (const char* step : steps) {
        if (std::system((std::string("/usr/sbin/") + step + " 2>/dev/null").c_str()) != 0) {
            std::printf("silent on-link sweep: skipped ('%s' failed)\n", step);
            return;
        }
    }
    const std::pair<const char*, const char*> settings[] = {{"mcast_solicit", "3"},
                                                            {"ucast_solicit", "3"},
                                                            {"app_solicit", "0"},
                                                            {"retrans_time_ms", "1000"},
                                                            {"unres_qlen_bytes", "212992"}};
    for (const auto& [name, value] : settings) {
        std::FILE* file =
            std::fopen((std::string("/proc/sys/net/ipv4/neigh/vbench/") + name).c_str(), "w");
        if (file != nullptr) {
            std::fputs(value, file);
            std::fclose(file);
        }
    }
    vantrel::app::QtMainThread mainThread;
    TimingWindow window;
    auto prober = std::make_unique<NodeStatusProber>(window, mainThread);
    const auto start = Clock::now();
    prober->StartSweep("10.77.84.1", "10.77.86.254", 10);
    QCoreApplication::exec();
    const auto end = Clock::now();
    mainThread.Close();
    prober.reset();
    std::printf(
        "silent on-link sweep 10.77.84.1-86.254, Interval 10 ms: %zu requests in %.0f ms"
        " (pacing limit %.0f ms), %d cable alarms, %s\n",
        window.sent.size(), Ms(end - start), static_cast<double>(window.sent.size()) * 10,
        window.sendErrors, window.sendErrors == 0 ? "completed" : "aborted");
}

}  // namespace

int main(int argc, char* argv[]) {
    // A responder socket for each address of the /22.
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = std::max<rlim_t>(files.rlim_cur, std::min<rlim_t>(files.rlim_max, 4096));
    setrlimit(RLIMIT_NOFILE, &files);
    QCoreApplication application(argc, argv);
    const int every = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const std::string directory =
        argc > 2 ? argv[2] : std::filesystem::temp_directory_path().string();
    BenchSweep(every);
    BenchParts();
    std::printf("sweep of a /22, every address answering:\n");
    for (int round = 0; round < 2; ++round) {
        BenchWideSweep("");
        BenchWideSweep(directory);
    }
    BenchColour(directory);
    BenchSilentSegment();
    return 0;
}
