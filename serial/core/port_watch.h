#pragma once
// Waits for the device of a port that cannot be opened now (absent, held by
// another program, lost while open) to open again, without blocking the GUI
// thread: every attempt runs on the watch's own thread, so a device whose
// open() hangs holds that thread only.
//
// An attempt is made at once, then whenever a folder on the way to the
// device changes (inotify on the Ports folder, /dev, /dev/serial/by-id, ...)
// and at least every `fallbackMs` (the fallback, also for changes no folder
// shows, such as a port released by another program). The device is opened
// exactly as a dispatcher opens it (exclusive, raw) and kept until taken;
// `found` tells that it is there, and the watch then waits for the next
// watch() call.
//
// Threading: watch(), take(), cancel() and the destructor on one thread (the
// GUI thread); `found` runs on the watch thread and must not block or call
// into the watch: it only tells the GUI thread to take(). One thread lives
// from the first watch() to the destruction.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/core/serial_device.h"

namespace vos::serial {

class PortWatch {
public:
    // `ticket` is the value watch() returned for the watch whose device is
    // now open and waiting to be taken.
    using Found = std::function<void(std::uint64_t ticket)>;

    struct Options {
        int fallbackMs = 1000;
        bool useNotifications = true;  // false: the fallback alone (benchmarks)
    };

    explicit PortWatch(Found found);
    PortWatch(Found found, Options options);
    ~PortWatch();
    PortWatch(const PortWatch&) = delete;
    PortWatch& operator=(const PortWatch&) = delete;

    // Watches `devicePath` from now on, replacing an earlier watch; returns
    // the new watch's ticket (never 0).
    std::uint64_t watch(const std::string& devicePath);
    // The device found for `ticket`; null when there is none (not found yet,
    // or the watch was replaced or cancelled since).
    std::unique_ptr<SerialDevice> take(std::uint64_t ticket);
    // Stops watching and closes a found device not taken yet, so that the
    // caller may open the device itself. Waits (at most 100 ms) for an
    // attempt in progress, which holds the device.
    void cancel();
    bool watching() const;
    // Takes effect from the next wait (benchmarks: the fallback alone).
    void setOptions(Options options);
    // Open attempts made so far (tests, benchmarks). Any thread.
    std::uint64_t attempts() const;

private:
    // Shared with the watch thread, which may outlive the object when an
    // attempt hangs in open() at destruction: the thread is then left to end
    // with the process, and never calls `found` again.
    struct State;
    std::shared_ptr<State> state_;
    std::thread thread_;
};

}  // namespace vos::serial
