// The inventory grid following reports: reports posted at a steady rate
// over loopback into a window showing a large inventory, each overwriting
// a row the grid holds (one in fifty a new PC). Prints how long the main
// thread takes to answer (a probe posted every 5 ms from another thread),
// how often the grid repaints and what one update of the grid costs.
// Usage: bench_follow [rows] [reports per second] [seconds] [off] [directory]
// ("off": the grid does not follow, for the figures without it).
#include <stdlib.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Dialogs.h"
#include "EventLogView.h"
#include "HttpService.h"
#include "InventoryDataset.h"
#include "InventoryGenerator.h"
#include "InventoryGrid.h"
#include "InventoryModel.h"
#include "InventoryTab.h"
#include "MainWindow.h"
#include "Program.h"
#include "QuietProgram.h"
#include "ReportClients.h"
#include "ReportFollower.h"
#include "WindowSink.h"

using namespace vantrel::app;
using vantrel::bench::Clock;
using vantrel::bench::GeneratedMac;
using vantrel::bench::Percentile;
using vantrel::bench::QuietDialogs;
using vantrel::bench::QuietProgramOptions;

namespace {

// Counts the paints of a widget and remembers when they happened.
class PaintCounter : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
        return false;
    }
    QElapsedTimer clock;
    std::vector<double> times;  // ms
};

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rate = argc > 2 ? std::atoi(argv[2]) : 100;
    const int seconds = argc > 3 ? std::atoi(argv[3]) : 10;
    const bool follow = !(argc > 4 && std::string(argv[4]) == "off");
    const std::string base = argc > 5 ? argv[5] : std::filesystem::temp_directory_path().string();
    std::string dir = base + "/bench-follow-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    vantrel::bench::Generate(dir + "/db.mdb", rows);

    QuietDialogs dialogs;
    {
        Program program(QuietProgramOptions(dir, dialogs));
        program.Start();
        MainWindow& form = program.Window();
        if (!follow) {
            dynamic_cast<WindowSink&>(program.Sink()).SetApplyRows({});
        }
        form.show();
        QCoreApplication::processEvents();
        InventoryGrid& grid = form.Inventory().Grid();
        // Somewhere in the middle, as an administrator at work would be.
        grid.setCurrentIndex(form.Inventory().Model().index(rows / 2, 1));
        QCoreApplication::processEvents();
        std::printf("%zu rows loaded; %d reports/s for %d s; grid %s\n",
                    form.Inventory().Dataset().RecordCount(), rate, seconds,
                    follow ? "follows the reports" : "does not follow");

        PaintCounter paints;
        paints.clock.start();
        grid.viewport()->installEventFilter(&paints);

        // Reports: one sender thread per 25 reports/s, each on its own
        // timeline, so that a slow commit delays only its own thread.
        const std::uint16_t port = program.Intake().Port();
        std::atomic<bool> stop{false};
        std::atomic<int> sent{0};
        std::atomic<int> failed{0};
        const int senders = rate > 0 ? std::max(1, rate / 25) : 0;
        const auto start = Clock::now();
        const auto end = start + std::chrono::seconds(seconds);
        std::vector<std::thread> threads;
        for (int t = 0; t < senders; ++t) {
            threads.emplace_back([&, t] {
                std::mt19937 random(static_cast<unsigned>(t + 1));
                const auto step = std::chrono::microseconds(1000000LL * senders / rate);
                auto next = start + step * t / senders;
                for (int n = 0; Clock::now() < end && !stop; ++n) {
                    std::this_thread::sleep_until(next);
                    next += step;
                    const int i = static_cast<int>(random() % static_cast<unsigned>(rows));
                    const bool fresh = n % 50 == 0;
                    const std::string mac =
                        fresh ? "NEW-" + std::to_string(t) + "-" + std::to_string(n)
                              : GeneratedMac(i);
                    const std::string body = "xipMac=" + mac + "&xipUserName=u" +
                                             std::to_string(n) + "&bm=b&dh=" + std::to_string(n) +
                                             "&xipName=PC-" + std::to_string(i);
                    (vantrel::bench::SendReport(port, body) ? sent : failed)++;
                }
            });
        }

        // The probe: a call posted every 5 ms from another thread; its delay
        // until the main thread runs it is how long the window takes to
        // answer.
        std::mutex latencyMutex;
        std::vector<double> latencies;
        QObject receiver;
        std::thread probe([&] {
            while (Clock::now() < end && !stop) {
                const auto posted = Clock::now();
                QMetaObject::invokeMethod(
                    &receiver,
                    [&, posted] {
                        const double ms =
                            std::chrono::duration<double, std::milli>(Clock::now() - posted)
                                .count();
                        std::lock_guard lock(latencyMutex);
                        latencies.push_back(ms);
                    },
                    Qt::QueuedConnection);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });

        QTimer quit;
        quit.setSingleShot(true);
        QObject::connect(&quit, &QTimer::timeout, &application, &QCoreApplication::quit);
        quit.start(seconds * 1000 + 500);
        application.exec();
        stop = true;
        probe.join();
        for (std::thread& thread : threads) {
            thread.join();
        }
        QCoreApplication::processEvents();

        std::sort(latencies.begin(), latencies.end());
        std::printf("reports thanked %d, failed %d (%.1f/s)\n", sent.load(), failed.load(),
                    sent.load() / static_cast<double>(seconds));
        std::printf(
            "main thread answers: median %.2f ms, p99 %.2f ms, worst %.2f ms (%zu probes)\n",
            Percentile(latencies, 0.5), Percentile(latencies, 0.99),
            latencies.empty() ? 0.0 : latencies.back(), latencies.size());
        double closest = 1e9;
        std::size_t close = 0;
        for (std::size_t i = 1; i < paints.times.size(); ++i) {
            const double gap = paints.times[i] - paints.times[i - 1];
            closest = std::min(closest, gap);
            close += gap < ReportFollower::kInterval ? 1 : 0;
        }
        std::printf(
            "grid repaints: %zu in %d s, %zu of them less than %d ms after the one before "
            "(closest %.0f ms); grid updates %llu\n",
            paints.times.size(), seconds, close, ReportFollower::kInterval,
            paints.times.size() > 1 ? closest : 0.0,
            static_cast<unsigned long long>(form.Inventory().Follower().Flushes()));
        std::printf("new PCs counted under the grid: %zu; longest grid update %.2f ms\n",
                    form.Inventory().Follower().NewPcCount(),
                    form.Inventory().Follower().LongestFlush());

        // One update of the grid alone: 20 reports' rows into every row.
        std::vector<vantrel::store::WrittenRow> batch;
        for (int i = 0; i < 20; ++i) {
            vantrel::store::WrittenRow row;
            row.rowid = 1 + (i * 4999) % rows;
            row.values.username = "bench" + std::to_string(i);
            batch.push_back(row);
        }
        const auto applyStart = Clock::now();
        const auto changed = form.Inventory().Dataset().ApplyStored(batch);
        form.Inventory().Model().RowsChanged(changed);
        const double applyMs =
            std::chrono::duration<double, std::milli>(Clock::now() - applyStart).count();
        std::printf("one grid update of 20 rows into %d: %.2f ms (%zu rows changed)\n", rows,
                    applyMs, changed.size());
        auto timed = [](QWidget* widget) {
            const auto begin = Clock::now();
            widget->repaint();
            return std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        };
        std::printf("one repaint: grid %.2f ms, event log %.2f ms\n", timed(grid.viewport()),
                    timed(form.EventLog().View()->viewport()));
    }
    std::filesystem::remove_all(dir);
    return 0;
}
