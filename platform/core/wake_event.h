#pragma once
// A wake-up signal that can be waited for together with a device descriptor.
//
// Built on an eventfd, so a thread blocked in poll() on a device also sees a
// stop or wake request at once (closing a descriptor does not wake another
// thread's poll()). Any thread may set(); a wait is meant for one thread at a
// time. Auto-reset: a successful wait consumes the signal. Manual-reset: the
// signal stays set until reset().
#include <initializer_list>

namespace vos {

class WakeEvent {
public:
    enum class Mode { AutoReset, ManualReset };

    explicit WakeEvent(Mode mode = Mode::AutoReset);
    ~WakeEvent();
    WakeEvent(const WakeEvent&) = delete;
    WakeEvent& operator=(const WakeEvent&) = delete;

    // 0 when the eventfd exists, else the errno of its creation.
    int error() const { return error_; }
    int fd() const { return fd_; }

    void set();
    void reset();
    // Waits up to timeoutMs (-1: no limit); true when signalled.
    bool wait(int timeoutMs);
    // Without waiting: true when signalled (an auto-reset signal is consumed).
    bool consume();
    // Called after poll() reported the descriptor readable: consumes an
    // auto-reset signal, leaves a manual-reset one. True when it was set.
    bool acknowledge();

private:
    Mode mode_;
    int fd_ = -1;
    int error_ = 0;
};

// Waits until one of `events` is signalled or `timeoutMs` passes (-1: no
// limit). Returns the index of the first signalled event (consuming it when
// auto-reset), or -1 on time-out. Like any wake-up it may return early (-1
// when another thread took the signal first): callers re-check their state.
int waitAny(std::initializer_list<WakeEvent*> events, int timeoutMs);

}  // namespace vos
