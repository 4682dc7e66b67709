#pragma once
// Opens serial devices off the GUI thread, so that no open() of a slow or
// hung device (a Bluetooth line connecting, a stuck USB adapter, a network
// server) ever blocks the panel.
//
// Two kinds of request, each run on a thread of its own:
//   - once: one attempt now; its outcome (the device, or the code of the
//     failure) is kept for the caller;
//   - when present: attempts until the device opens: at once (or not, as
//     asked), then whenever a folder on the way to the device changes
//     (inotify on the Ports folder, /dev, /dev/serial/by-id, ...) and at
//     least every `fallbackMs` (for changes no folder shows, such as a port
//     released by another program); only a success is kept.
// A device is opened exactly as a dispatcher opens it (exclusive, raw).
//
// Only the newest request counts: a new request, cancel() or the destructor
// supersedes the one before. A superseded attempt still in open() is left to
// finish on its own thread, which then closes what it opened; so a hung open
// holds one thread, never the caller or the next request.
//
// `done` is told, on the request's thread, that the outcome of `ticket` is
// ready; it must not block or call into the opener (it only tells the GUI
// thread to take() it). It is never called for a superseded request, nor
// after the destructor has returned.
//
// Threading: every member on one thread (the GUI thread); `done` as above.
// Threads are named "vos-port-open" and "vos-port-watch".
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/core/serial_device.h"

namespace vos::serial {

class DeviceOpener {
public:
    using Done = std::function<void(std::uint64_t ticket)>;

    struct Options {
        int fallbackMs = 1000;
        bool useNotifications = true;  // false: the fallback alone (benchmarks)
    };

    // The outcome of a request: code 0 and the open device, or the code of
    // the failed open (platform/core/errno_codes.h) and no device.
    struct Outcome {
        int code = 0;
        std::unique_ptr<SerialDevice> device;
    };

    explicit DeviceOpener(Done done);
    DeviceOpener(Done done, Options options);
    ~DeviceOpener();
    DeviceOpener(const DeviceOpener&) = delete;
    DeviceOpener& operator=(const DeviceOpener&) = delete;

    // Each returns the new request's ticket (never 0).
    std::uint64_t openOnce(const std::string& devicePath);
    std::uint64_t openWhenPresent(const std::string& devicePath, bool attemptAtOnce = true);
    // The outcome of `ticket`, once; nothing when it is not ready, or was
    // superseded or taken.
    std::optional<Outcome> take(std::uint64_t ticket);
    // Supersedes the request in force; an outcome not taken is closed.
    void cancel();
    // A request is in force and its outcome not ready yet.
    bool busy() const;
    // Open attempts so far (benchmarks). Any thread.
    std::uint64_t attempts() const;

private:
    struct Shared;
    struct Request;
    std::uint64_t start(const std::string& devicePath, bool once, bool attemptAtOnce);

    std::shared_ptr<Shared> shared_;
};

}  // namespace vos::serial
