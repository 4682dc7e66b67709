#pragma once
// Test stand-ins for the GUI thread's side of the event hand-over.
//
// PumpedHandover: the "GUI thread" is whichever thread pumps it, normally the
// test's own thread, so a test plays the GUI thread exactly as the program's
// event loop does: it calls dispatcher operations directly and serves the
// dispatcher's events with pumpUntil(). An event the worker gave up on
// (time-out before it started) never runs; a started one is always waited for.
//
// GuiThread: a thread of its own that serves jobs all the time; invoke() runs
// any function on it (to call GUI-thread operations from a benchmark's or
// test's thread).
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/core/event_handover.h"

namespace vos::test {

class PumpedHandover : public EventHandover {
public:
    // Worker thread. timeoutMs < 0: no limit.
    bool runSync(std::function<void()> job, int timeoutMs) override;
    // Pumping thread: runs the oldest pending job, if any. An exception from
    // the job is passed on after the job counts as finished.
    bool serveOnePending() override;
    // Waits up to waitMs for a job and runs it; true when one ran.
    bool serveOne(int waitMs);
    // Serves jobs until done() holds or timeoutMs passes; returns done().
    bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 10000);
    // Serves jobs for about `ms` milliseconds.
    void pumpFor(int ms);
    int pendingCount() const;
    // Jobs whose worker gave up before they started.
    int abandonedCount() const;

private:
    enum class State { Pending, Running, Done, Abandoned };
    struct Job {
        std::function<void()> fn;
        State state = State::Pending;
    };

    mutable std::mutex m_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Job>> pending_;
    int abandoned_ = 0;
};

class GuiThread : public EventHandover {
public:
    GuiThread();
    ~GuiThread() override;

    bool runSync(std::function<void()> job, int timeoutMs) override;
    bool serveOnePending() override;
    // Runs `fn` on the GUI thread and waits for its end.
    void invoke(std::function<void()> fn);
    std::thread::id id() const { return thread_.get_id(); }
    // Jobs that ended with an exception.
    int failures() const { return failures_.load(); }

private:
    PumpedHandover pump_;
    std::atomic<bool> quit_{false};
    std::atomic<int> failures_{0};
    std::thread thread_;
};

}  // namespace vos::test
