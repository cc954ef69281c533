// Work off the main thread: progress and outcome reach the main thread in
// order, a cancelled or replaced run delivers nothing, what the work threw
// reaches its outcome, and a task that goes joins its thread first.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "QtTask.h"

namespace vantrel::app::test {
namespace {

using IntTask = QtTask<int, int>;

// Runs the main thread's event loop until `done` or 10 s.
bool Until(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return done();
}

// Work that stays until it is cancelled.
int UntilCancelled(const IntTask::Control& control) {
    while (!control.Cancelled()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
}

TEST(QtTaskTest, ProgressInOrderThenOutcomeOnTheMainThread) {
    IntTask task;
    std::vector<int> seen;
    bool offMain = false;
    bool done = false;
    const auto main = QThread::currentThread();
    task.Start(
        [](const IntTask::Control& control) {
            for (int i = 1; i <= 200; ++i) {
                control.Report(i);
            }
            return 42;
        },
        [&](system::TaskOutcome<int>& outcome) {
            offMain = offMain || QThread::currentThread() != main;
            seen.push_back(outcome.Get());
            done = true;
        },
        [&](const int& progress) {
            offMain = offMain || QThread::currentThread() != main;
            seen.push_back(progress);
        });
    EXPECT_TRUE(task.Running());
    ASSERT_TRUE(Until([&] { return done; }));
    EXPECT_FALSE(offMain);
    ASSERT_EQ(seen.size(), 201u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(seen[static_cast<std::size_t>(i)], i + 1);
    }
    EXPECT_EQ(seen.back(), 42);
    EXPECT_FALSE(task.Running());
}

TEST(QtTaskTest, WhatTheWorkThrewReachesTheOutcome) {
    struct Case {
        const char* name;
        std::function<int()> work;
        std::string expected;  // what Get() gives or throws, as text
    };
    const Case cases[] = {
        {"value", [] { return 7; }, "7"},
        {"std exception", []() -> int { throw std::runtime_error("disk full"); }, "disk full"},
        {"other", []() -> int { throw 5; }, "int 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IntTask task;
        std::string got;
        task.Start([work = c.work](const IntTask::Control&) { return work(); },
                   [&](system::TaskOutcome<int>& outcome) {
                       try {
                           got = std::to_string(outcome.Get());
                       } catch (const std::exception& error) {
                           got = error.what();
                       } catch (int n) {
                           got = "int " + std::to_string(n);
                       }
                   });
        ASSERT_TRUE(Until([&] { return !got.empty(); }));
        EXPECT_EQ(got, c.expected);
    }
}

TEST(QtTaskTest, CancelledOrReplacedRunDeliversNothing) {
    IntTask task;
    std::vector<int> delivered;
    std::atomic<int> woken{0};
    const auto record = [&](system::TaskOutcome<int>& outcome) {
        delivered.push_back(outcome.Get());
    };
    // Cancel wakes the work through its hook, and nothing of it arrives.
    task.Start(
        [](const IntTask::Control& control) {
            control.Report(1);
            return UntilCancelled(control);
        },
        record, [&](const int& progress) { delivered.push_back(100 + progress); },
        [&] { ++woken; });
    task.Cancel();
    EXPECT_FALSE(task.Running());
    task.Finish();
    EXPECT_EQ(woken.load(), 1);
    EXPECT_TRUE(delivered.empty());

    // A second start cancels the first; only the second's outcome arrives.
    task.Start(UntilCancelled, record);
    task.Start([](const IntTask::Control&) { return 2; }, record);
    ASSERT_TRUE(Until([&] { return !task.Running(); }));
    task.Finish();
    EXPECT_EQ(delivered, std::vector<int>{2});

    // An outcome already posted but not yet delivered is dropped too.
    task.Start([](const IntTask::Control&) { return 3; }, record);
    task.Wait();
    task.Cancel();
    task.Finish();
    EXPECT_EQ(delivered, std::vector<int>{2});
}

TEST(QtTaskTest, GoingJoinsTheWorkAndDropsWhatItPosted) {
    std::atomic<bool> ended{false};
    bool delivered = false;
    {
        IntTask task;
        task.Start(
            [&](const IntTask::Control& control) {
                control.Report(1);
                UntilCancelled(control);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                ended = true;
                return 0;
            },
            [&](system::TaskOutcome<int>&) { delivered = true; },
            [&](const int&) { delivered = true; });
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(ended.load());
    QCoreApplication::processEvents();
    EXPECT_FALSE(delivered);
}

TEST(QtTaskTest, WithoutDelivererTheOutcomeComesOnTheWorker) {
    system::Task<int> task;
    std::thread::id where;
    std::exception_ptr error;
    task.Start([](const system::Task<int>::Control&) -> int { throw std::logic_error("bad"); },
               [&](system::TaskOutcome<int>& outcome) {
                   where = std::this_thread::get_id();
                   error = outcome.error;
               });
    task.Wait();
    EXPECT_NE(where, std::thread::id());
    EXPECT_NE(where, std::this_thread::get_id());
    EXPECT_THROW(std::rethrow_exception(error), std::logic_error);
}

}  // namespace
}  // namespace vantrel::app::test
