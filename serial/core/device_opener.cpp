#include "serial/core/device_opener.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/core/dir_watch.h"
#include "platform/core/wake_event.h"

namespace vos::serial {

namespace {

// Folder changes come in bursts (a node, then its permissions, then its
// by-id links): attempts of one request are at least this far apart.
constexpr auto kMinAttemptGap = std::chrono::milliseconds(5);

}  // namespace

// One request, shared by the opener and the request's thread.
struct DeviceOpener::Request {
    std::uint64_t ticket = 0;
    std::string path;
    bool once = true;
    bool attemptAtOnce = true;
    WakeEvent wake;  // set when the request is superseded
};

// Shared with the request threads, which may outlive the opener while an
// attempt hangs in open(): they then end on their own and tell no one.
struct DeviceOpener::Shared {
    Done done;
    Options options;
    std::mutex mutex;
    std::uint64_t lastTicket = 0;
    std::shared_ptr<Request> current;  // mutex: the request in force
    bool ready = false;                // mutex: current's outcome is kept
    Outcome outcome;                   // mutex
    std::atomic<std::uint64_t> attempts{0};

    bool inForce(const Request& r) {
        std::lock_guard lk(mutex);
        return current && current->ticket == r.ticket;
    }
    void finish(const Request& r, Outcome o);
    void run(const std::shared_ptr<Request>& r);
    bool attempt(const std::shared_ptr<Request>& r);
};

// Under the lock, so that once the opener has dropped the request (or is
// gone), `done` runs no more for it; an outcome nobody wants is closed here.
void DeviceOpener::Shared::finish(const Request& r, Outcome o) {
    std::unique_lock lk(mutex);
    if (!current || current->ticket != r.ticket) return;  // `o` closes its device on the way out
    ready = true;
    outcome = std::move(o);
    if (done) done(r.ticket);
}

// One open; true when the request is settled (opened, or a single attempt).
bool DeviceOpener::Shared::attempt(const std::shared_ptr<Request>& r) {
    ++attempts;
    auto device = std::make_unique<SerialDevice>();
    const int code = device->open(r->path);
    if (code != 0) device.reset();
    if (code != 0 && !r->once) return false;
    finish(*r, Outcome{code, std::move(device)});
    return true;
}

void DeviceOpener::Shared::run(const std::shared_ptr<Request>& r) {
    if (r->once) {
        if (inForce(*r)) attempt(r);
        return;
    }
    DirWatch dirs;
    bool tryNow = r->attemptAtOnce;
    for (;;) {
        // Watch first, then try: a change after the attempt is not missed.
        dirs.setFolders(options.useNotifications ? foldersAffecting(r->path) : std::vector<std::string>{});
        dirs.drain();
        if (!inForce(*r)) return;
        const auto began = std::chrono::steady_clock::now();
        if (tryNow && attempt(r)) return;
        tryNow = true;
        // The fallback counts from the attempt's start: an attempt that took
        // long (a network server that does not answer) is followed by the
        // next one at once, so attempts stay `fallbackMs` apart.
        const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began);
        const int left = std::max<int>(0, options.fallbackMs - static_cast<int>(spent.count()));
        dirs.wait(r->wake, left, options.useNotifications);
        std::this_thread::sleep_for(kMinAttemptGap);
    }
}

DeviceOpener::DeviceOpener(Done done) : DeviceOpener(std::move(done), Options{}) {}

DeviceOpener::DeviceOpener(Done done, Options options) : shared_(std::make_shared<Shared>()) {
    shared_->done = std::move(done);
    shared_->options = options;
}

DeviceOpener::~DeviceOpener() { cancel(); }

std::uint64_t DeviceOpener::openOnce(const std::string& devicePath) { return start(devicePath, true, true); }

std::uint64_t DeviceOpener::openWhenPresent(const std::string& devicePath, bool attemptAtOnce) {
    return start(devicePath, false, attemptAtOnce);
}

std::uint64_t DeviceOpener::start(const std::string& devicePath, bool once, bool attemptAtOnce) {
    auto r = std::make_shared<Request>();
    r->path = devicePath;
    r->once = once;
    r->attemptAtOnce = attemptAtOnce;
    cancel();
    {
        std::lock_guard lk(shared_->mutex);
        r->ticket = ++shared_->lastTicket;
        shared_->current = r;
    }
    std::thread thread([s = shared_, r] { s->run(r); });
    ::pthread_setname_np(thread.native_handle(), once ? "vos-port-open" : "vos-port-watch");
    thread.detach();
    return r->ticket;
}

std::optional<DeviceOpener::Outcome> DeviceOpener::take(std::uint64_t ticket) {
    std::lock_guard lk(shared_->mutex);
    if (!shared_->ready || !shared_->current || shared_->current->ticket != ticket) return std::nullopt;
    shared_->ready = false;
    shared_->current.reset();
    return std::move(shared_->outcome);
}

void DeviceOpener::cancel() {
    Outcome unwanted;  // closed after the lock is released
    std::lock_guard lk(shared_->mutex);
    if (shared_->current) shared_->current->wake.set();
    shared_->current.reset();
    if (shared_->ready) unwanted = std::move(shared_->outcome);
    shared_->ready = false;
}

bool DeviceOpener::busy() const {
    std::lock_guard lk(shared_->mutex);
    return shared_->current && !shared_->ready;
}

std::uint64_t DeviceOpener::attempts() const { return shared_->attempts.load(); }

}  // namespace vos::serial
