#pragma once
// The GUI thread's side of the serial event hand-over.
//
// Worker threads (the serial dispatcher thread, a worker reporting its end)
// call runSync() to have a job run on the GUI thread while they wait for it.
// Contracts:
//   - Jobs run on the GUI thread, one at a time, in the order runSync() was
//     called. A job never starts while another job is still running below it
//     (for example while a job shows a modal box and its nested loop serves
//     events); the next one starts once the running one has returned.
//   - A job and a waiting worker race to "claim" it: the GUI side claims it by
//     starting it, the worker by giving up at its deadline. Whoever claims
//     first wins, under one lock, so a job the worker gave up on never runs
//     later, and a job that started is waited for to its end, however long.
//   - Every job runs through the guard (platform/qt/guard.h): an exception that
//     escapes it is shown in the error box and does not reach the worker.
//   - runSync() called on the GUI thread itself runs the job at once.
//   - serveOnePending() is for the GUI thread while it waits for worker
//     threads to end (closing a port): it runs at most one pending job.
//   - post() queues a job without waiting for it (any thread, the GUI thread
//     included): it runs later, in the same order and under the same rules.
//
// Threading and lifetime: construct on the GUI thread, after the
// QApplication exists; destroy it on the GUI thread once no worker can call
// runSync() any more (all ports closed). Jobs still pending at destruction
// are given up: their workers' runSync() returns false.
#include <functional>
#include <memory>

#include "platform/core/event_handover.h"

namespace vos {

class GuiHandover final : public EventHandover {
public:
    GuiHandover();
    ~GuiHandover() override;
    GuiHandover(const GuiHandover&) = delete;
    GuiHandover& operator=(const GuiHandover&) = delete;

    bool runSync(std::function<void()> job, int timeoutMs) override;
    bool serveOnePending() override;
    // Queues `job` to run on the GUI thread after the jobs already queued;
    // returns at once. Never runs it inside the caller, even on the GUI thread.
    void post(std::function<void()> job);
    // Queues `job` to run on the GUI thread's event loop, guarded, but outside
    // the sequence of jobs: while it runs, pending jobs can still be served
    // (serveOnePending), so it may close a port and wait for its threads
    // while the dispatcher thread waits for a delivery. Any thread; dropped
    // once the hand-over is destroyed.
    void postOutside(std::function<void()> job);

    // Jobs waiting to start (tests, diagnostics). Any thread.
    int pendingCount() const;

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace vos
