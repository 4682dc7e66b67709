// The GUI thread's hand-over of jobs from worker threads: ordering, one job at
// a time, the race between giving up and starting, serving while blocked.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/gui_handover.h"
#include "tests/support/qt/gui_test_support.h"

namespace vos {
namespace {

using namespace std::chrono_literals;
constexpr auto kPatience = 20s;  // generous: the machine may be loaded

// Serves GUI events until pred holds; false if it never did.
bool pumpUntil(const std::function<bool()>& pred) {
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// Waits without serving GUI events (the GUI thread "blocked").
bool waitUntil(const std::function<bool()>& pred) {
    const auto end = std::chrono::steady_clock::now() + kPatience;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(GuiHandover, JobsFromManyThreadsRunOneAtATimeInEachThreadsOrder) {
    GuiHandover h;
    constexpr int kThreads = 6, kJobs = 150;
    std::vector<std::vector<int>> seen(kThreads);
    std::atomic<int> inJob{0}, overlaps{0}, refused{0}, finished{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kJobs; ++i) {
                const bool ran = h.runSync(
                    [&, t, i] {
                        if (inJob.fetch_add(1) != 0) ++overlaps;
                        seen[t].push_back(i);  // GUI thread only
                        inJob.fetch_sub(1);
                    },
                    60000);
                if (!ran) ++refused;
            }
            ++finished;
        });
    }
    EXPECT_TRUE(pumpUntil([&] { return finished == kThreads; }));
    for (auto& w : workers) w.join();
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(overlaps, 0);
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(seen[t].size(), static_cast<size_t>(kJobs)) << "thread " << t;
        for (int i = 0; i < kJobs; ++i) EXPECT_EQ(seen[t][i], i);
    }
}

TEST(GuiHandover, JobsRunInTheOrderTheyWereHandedOver) {
    GuiHandover h;
    std::vector<int> order;
    std::vector<std::thread> workers;
    for (int n = 1; n <= 4; ++n) {
        workers.emplace_back([&, n] { h.runSync([&, n] { order.push_back(n); }, 60000); });
        // The GUI thread serves nothing meanwhile: the jobs queue up in order.
        ASSERT_TRUE(waitUntil([&] { return h.pendingCount() == n; }));
    }
    EXPECT_TRUE(pumpUntil([&] { return order.size() == 4; }));
    for (auto& w : workers) w.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST(GuiHandover, AJobGivenUpOnNeverRunsLater) {
    GuiHandover h;
    std::atomic<bool> ran{false};
    bool result = true;
    // The GUI thread is blocked (it joins) for longer than the time-out.
    std::thread worker([&] { result = h.runSync([&] { ran = true; }, 100); });
    worker.join();
    EXPECT_FALSE(result);
    EXPECT_EQ(h.pendingCount(), 0);
    EXPECT_FALSE(h.serveOnePending());
    for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
    EXPECT_FALSE(ran);

    // The hand-over still works afterwards.
    std::atomic<bool> next{false};
    std::atomic<bool> done{false};
    std::thread again([&] {
        next = h.runSync([] {}, 60000);
        done = true;
    });
    EXPECT_TRUE(pumpUntil([&] { return done.load(); }));
    again.join();
    EXPECT_TRUE(next);
    EXPECT_FALSE(ran);
}

TEST(GuiHandover, AStartedJobIsWaitedForPastTheTimeout) {
    GuiHandover h;
    constexpr int kTimeoutMs = 1000;
    std::atomic<bool> jobEnded{false}, endedAtReturn{false}, returned{false};
    std::atomic<bool> result{false};
    std::chrono::steady_clock::time_point called;
    std::thread worker([&] {
        called = std::chrono::steady_clock::now();
        result = h.runSync(
            [&] {
                // Outlive the worker's deadline before ending.
                std::this_thread::sleep_until(called + std::chrono::milliseconds(kTimeoutMs) + 300ms);
                jobEnded = true;
            },
            kTimeoutMs);
        endedAtReturn = jobEnded.load();
        returned = true;
    });
    ASSERT_TRUE(waitUntil([&] { return h.pendingCount() == 1; }));
    EXPECT_TRUE(h.serveOnePending());
    EXPECT_TRUE(pumpUntil([&] { return returned.load(); }));
    worker.join();
    EXPECT_TRUE(result);
    EXPECT_TRUE(endedAtReturn);
}

TEST(GuiHandover, ServeOnePendingRunsExactlyOneJobInOrder) {
    GuiHandover h;
    std::vector<int> order;
    std::thread a([&] { h.runSync([&] { order.push_back(1); }, 60000); });
    ASSERT_TRUE(waitUntil([&] { return h.pendingCount() == 1; }));
    std::thread b([&] { h.runSync([&] { order.push_back(2); }, 60000); });
    ASSERT_TRUE(waitUntil([&] { return h.pendingCount() == 2; }));

    EXPECT_TRUE(h.serveOnePending());
    EXPECT_EQ(order, std::vector<int>{1});
    EXPECT_EQ(h.pendingCount(), 1);
    EXPECT_TRUE(h.serveOnePending());
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_FALSE(h.serveOnePending());
    a.join();
    b.join();
}

TEST(GuiHandover, AJobServingEventsDoesNotLetTheNextJobStartInsideIt) {
    GuiHandover h;
    std::vector<std::string> trace;
    std::thread second;
    std::thread first([&] {
        h.runSync(
            [&] {
                trace.push_back("A start");
                second = std::thread(
                    [&] { h.runSync([&] { trace.push_back("B"); }, 60000); });
                // A nested loop (like a modal box) while B waits.
                waitUntil([&] { return h.pendingCount() == 1; });
                for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
                if (h.serveOnePending()) trace.push_back("nested serve");
                trace.push_back("A end");
            },
            60000);
    });
    EXPECT_TRUE(pumpUntil([&] { return trace.size() >= 3; }));
    first.join();
    second.join();
    EXPECT_EQ(trace, (std::vector<std::string>{"A start", "A end", "B"}));
}

TEST(GuiHandover, APostedJobRunsAfterTheRunningOneInQueueOrder) {
    GuiHandover h;
    std::vector<std::string> trace;
    std::thread worker([&] {
        h.runSync(
            [&] {
                trace.push_back("A start");
                h.post([&] { trace.push_back("posted by A"); });  // from the GUI thread
                trace.push_back("A end");
            },
            60000);
        h.post([&] { trace.push_back("posted by worker"); });  // does not wait
    });
    EXPECT_TRUE(pumpUntil([&] { return trace.size() == 4; }));
    worker.join();
    EXPECT_EQ(trace, (std::vector<std::string>{"A start", "A end", "posted by A", "posted by worker"}));
}

TEST(GuiHandover, RunSyncOnTheGuiThreadRunsAtOnce) {
    GuiHandover h;
    bool ran = false;
    EXPECT_TRUE(h.runSync([&] { ran = true; }, 0));
    EXPECT_TRUE(ran);
}

TEST(GuiHandover, AnExceptionFromAJobIsReportedAndTheWorkerGoesOn) {
    test::clearRecordedMessages();
    GuiHandover h;
    std::atomic<bool> done{false};
    bool result = false;
    std::thread worker([&] {
        result = h.runSync([] { throw std::runtime_error("Device read error"); }, 60000);
        done = true;
    });
    EXPECT_TRUE(pumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_TRUE(result);
    EXPECT_EQ(test::recordedErrors(), std::vector<std::string>{"Device read error"});
}

TEST(GuiHandover, DestroyingItGivesUpThePendingJobs) {
    auto h = std::make_unique<GuiHandover>();
    std::atomic<bool> ran{false};
    bool result = true;
    std::thread worker([&] { result = h->runSync([&] { ran = true; }, 60000); });
    ASSERT_TRUE(waitUntil([&] { return h->pendingCount() == 1; }));
    h.reset();
    worker.join();  // returns long before its time-out
    EXPECT_FALSE(result);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace vos
