#pragma once
// Hands jobs from a worker thread to the GUI thread, synchronously.
//
// The serial dispatcher thread delivers every port event through runSync() and
// waits for it; the GUI thread runs the job. Implementations: the Qt one in
// platform/qt (GuiHandover), a thread-based one for tests in tests/support.
#include <functional>

namespace vos {

class EventHandover {
public:
    virtual ~EventHandover() = default;
    // Worker thread. Runs `job` on the GUI thread and waits for its end, at most timeoutMs.
    // Returns true when the job ran to its end. Returns false when it gave up before the job
    // started: the job then never runs. A job that has started is always waited for to its end.
    virtual bool runSync(std::function<void()> job, int timeoutMs) = 0;
    // GUI thread, while it waits for worker threads to end (closing a port): runs at most one
    // pending job, returns whether it ran one.
    virtual bool serveOnePending() = 0;
};

}  // namespace vos
