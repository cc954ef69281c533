// The event log and the online-list marks under a flood of reports: what
// waits for the main thread is bounded, the event log view keeps the latest lines, and the
// window still closes at once.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#ifdef __SANITIZE_ADDRESS__
// Bytes the program has allocated and not freed (the sanitizer runtime's).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "Program.h"
#include "WindowFixture.h"
#include "WindowSink.h"

namespace vantrel::app::test {
namespace {

using Clock = std::chrono::steady_clock;

// "(已略去 N 行)"
std::string LeftOut(std::size_t count) {
    return "(\xd2\xd1\xc2\xd4\xc8\xa5 " + std::to_string(count) + " \xd0\xd0)";
}

std::size_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    std::size_t size = 0;
    std::size_t resident = 0;
    statm >> size >> resident;
    return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

// Everything the sink hands to the main thread, batch by batch.
struct Delivered {
    QObject window;
    std::vector<std::vector<std::string>> lineBatches;
    std::vector<std::vector<WindowSink::Mark>> markBatches;
    WindowSink sink{&window, [this](const auto& lines) { lineBatches.push_back(lines); },
                    [this](const auto& marks) { markBatches.push_back(marks); }};
};

TEST(WindowSink, WaitingLinesAndMarksAreBoundedAndComeInBatches) {
    Delivered d;
    for (int i = 0; i < 12000; ++i) {
        d.sink.PostLogLine("L" + std::to_string(i));
    }
    // 张 straddles the line limit and goes whole.
    d.sink.PostLogLine(std::string(WindowSink::kMaxLineBytes - 1, 'x') + "\xd5\xc5" + "tail");
    d.sink.PostMark("A", "old");
    for (std::size_t i = 0; i < WindowSink::kMaxWaitingMarks + 1000; ++i) {
        d.sink.PostMark("10.0.0." + std::to_string(i), "u");
    }
    d.sink.PostMark("A", "new");
    for (int i = 0; i < 100; ++i) {
        QCoreApplication::processEvents();
    }

    // The lines come in batches of a bounded size, the marks at once.
    std::vector<std::string> lines;
    for (const auto& batch : d.lineBatches) {
        EXPECT_LE(batch.size(), WindowSink::kMaxBatchLines + 1);
        lines.insert(lines.end(), batch.begin(), batch.end());
    }
    ASSERT_EQ(lines.size(), WindowSink::kMaxWaitingLines);
    EXPECT_EQ(lines.front(), LeftOut(7002));
    EXPECT_EQ(lines[1], "L7002");
    EXPECT_EQ(lines[lines.size() - 2], "L11999");
    EXPECT_EQ(lines.back(), std::string(WindowSink::kMaxLineBytes - 1, 'x') + "\xa1\xad");

    ASSERT_EQ(d.markBatches.size(), 1u);
    const auto& marks = d.markBatches[0];
    EXPECT_EQ(marks.size(), WindowSink::kMaxWaitingMarks);
    EXPECT_EQ(marks.back(), (WindowSink::Mark{"A", "new"}));
    EXPECT_EQ(std::count(marks.begin(), marks.end(), WindowSink::Mark{"A", "old"}), 0);

    // Once detached nothing more arrives, also from a call already queued.
    const std::size_t batches = d.lineBatches.size();
    d.sink.PostLogLine("late");
    d.sink.Detach();
    d.sink.PostMark("B", "later");
    QCoreApplication::processEvents();
    EXPECT_EQ(d.lineBatches.size(), batches);
    EXPECT_EQ(d.markBatches.size(), 1u);
}

TEST(WindowSink, WrittenRowsKeepTheNewestValuesPerRowWithinTheirBound) {
    Delivered d;
    auto row = [](std::int64_t rowid, bool inserted, std::string user) {
        store::WrittenRow written{rowid, inserted, {}};
        written.values.username = std::move(user);
        return written;
    };
    d.sink.PostRowsWritten({row(1, false, "before")});
    QCoreApplication::processEvents();  // nobody takes rows yet: none kept
    std::vector<WindowSink::RowsWritten> taken;
    d.sink.SetApplyRows(
        [&taken](WindowSink::RowsWritten rows) { taken.push_back(std::move(rows)); });
    d.sink.PostRowsWritten({row(1, false, "old"), row(7, true, "")});
    d.sink.PostRowsWritten({row(1, false, "new")});
    for (std::size_t i = 0; i < WindowSink::kMaxWaitingRows + 10; ++i) {
        d.sink.PostRowsWritten({row(100 + static_cast<std::int64_t>(i), false, "u")});
    }
    QCoreApplication::processEvents();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].inserted, std::vector<std::int64_t>{7});
    EXPECT_EQ(taken[0].updated.size(), WindowSink::kMaxWaitingRows);
    // Rowid 1 (newest "new") is among the oldest that gave way, counted.
    EXPECT_EQ(taken[0].leftOut, 11u);
    EXPECT_EQ(taken[0].updated.back().rowid,
              100 + static_cast<std::int64_t>(WindowSink::kMaxWaitingRows) + 9);

    d.sink.PostRowsWritten({row(2, false, "a"), row(2, false, "b")});
    QCoreApplication::processEvents();
    ASSERT_EQ(taken.size(), 2u);
    ASSERT_EQ(taken[1].updated.size(), 1u);
    EXPECT_EQ(taken[1].updated[0].values.username, "b");
    EXPECT_EQ(taken[1].leftOut, 0u);
}

// A window that goes takes its sink with it while calls are still queued:
// they must be dropped, not run against what is gone.
TEST(WindowSink, CallsStillQueuedWhenTheSinkGoesAreDropped) {
    std::size_t applied = 0;
    {
        QObject window;
        WindowSink sink(
            &window, [&applied](const auto&) { ++applied; },
            [&applied](const auto&) { ++applied; });
        for (int i = 0; i < 100; ++i) {
            sink.PostLogLine("late line");
            sink.PostMark("127.0.0.2", "late");
        }
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(applied, 0u);
}

TEST_F(WindowFixture, EventLogKeepsTheLatestLines) {
    MakeDatabase();
    MainWindow& form = Open();
    std::vector<std::string> lines;
    for (int i = 0; i < EventLogView::kMaxLogLines + 10; ++i) {
        lines.push_back("line " + std::to_string(i));
    }
    form.EventLog().AppendLogLines(lines);
    form.EventLog().AppendLog("last");
    const auto log = form.EventLog().LogLines();
    ASSERT_EQ(log.size(), static_cast<std::size_t>(EventLogView::kMaxLogLines));
    EXPECT_EQ(log.front(), "line 11");
    EXPECT_EQ(log[log.size() - 2], "line 5009");
    EXPECT_EQ(log.back(), "last");
}

// 20,000 lines of 100 KB posted from four threads while the window runs: a
// call queued behind them still runs promptly, memory stays bounded, and
// closing takes no longer than usual.
TEST_F(WindowFixture, FloodOfLongLogLinesLeavesTheWindowResponsive) {
    MakeDatabase();
    MainWindow& form = Open();
    form.Scan().List().FillSlot("PC1", "127.0.0.9", "");
    intake::ReportSink& sink = program->Sink();

    std::atomic<bool> sampling{true};
    std::atomic<std::size_t> peak{ResidentBytes()};
    std::atomic<std::size_t> peakHeap{0};
    std::thread sampler([&] {
        while (sampling) {
            peak = std::max(peak.load(), ResidentBytes());
#ifdef __SANITIZE_ADDRESS__
            peakHeap = std::max(peakHeap.load(), __sanitizer_get_current_allocated_bytes());
#endif
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    std::atomic<int> posting{4};
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t) {
        posters.emplace_back([&, t] {
            const std::string line(100 * 1024, static_cast<char>('a' + t));
            for (int i = 0; i < 5000; ++i) {
                sink.PostLogLine(line);
                sink.PostMark("127.0.0.9", std::to_string(t));
            }
            --posting;
        });
    }
    double slowest = 0;
    while (posting > 0) {
        bool ran = false;
        const auto asked = Clock::now();
        QMetaObject::invokeMethod(
            &form, [&ran] { ran = true; }, Qt::QueuedConnection);
        while (!ran) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        slowest = std::max(slowest, std::chrono::duration<double>(Clock::now() - asked).count());
    }
    for (auto& poster : posters) {
        poster.join();
    }
    // A close asked for while the last lines still wait.
    const auto asked = Clock::now();
    QMetaObject::invokeMethod(
        &form, [&form] { form.close(); }, Qt::QueuedConnection);
    while (form.isVisible() || Clock::now() - asked < std::chrono::milliseconds(1)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    program.reset();
    const double closing = std::chrono::duration<double>(Clock::now() - asked).count();
    sampling = false;
    sampler.join();

    EXPECT_LT(slowest, 1.0);
    EXPECT_LT(closing, 1.0);
    constexpr std::size_t kMiB = 1024 * 1024;
#ifdef __SANITIZE_ADDRESS__
    // AddressSanitizer keeps up to 256 MiB of freed memory resident on
    // purpose, and the flood frees 2 GB of lines; what the program holds
    // itself is its live heap. The shadow of the sanitizer and the
    // libraries the window maps (charts, print support) add to the RSS.
    EXPECT_LT(peakHeap.load(), 300 * kMiB) << "peak heap " << peakHeap.load() / kMiB << " MiB";
    EXPECT_LT(peak.load(), (300 + 256 + 160) * kMiB) << "peak RSS " << peak.load() / kMiB << " MiB";
#else
    EXPECT_LT(peak.load(), 300 * kMiB) << "peak RSS " << peak.load() / kMiB << " MiB";
#endif
}

TEST(DescriptorLimit, RaisedToTheHardLimit) {
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = std::min<rlim_t>(saved.rlim_max, 256);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    EXPECT_EQ(RaiseDescriptorLimit(), static_cast<unsigned long long>(saved.rlim_max));
    rlimit now{};
    ::getrlimit(RLIMIT_NOFILE, &now);
    EXPECT_EQ(now.rlim_cur, saved.rlim_max);
    ::setrlimit(RLIMIT_NOFILE, &saved);
}

}  // namespace
}  // namespace vantrel::app::test
