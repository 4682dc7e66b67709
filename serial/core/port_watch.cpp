#include "serial/core/port_watch.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/core/dir_watch.h"
#include "platform/core/wake_event.h"

namespace vos::serial {

namespace {

// Folder changes come in bursts (a node, then its permissions, then its
// by-id links): attempts are at least this far apart.
constexpr auto kMinAttemptGap = std::chrono::milliseconds(5);
// How long the destructor waits for an attempt in progress to end.
constexpr auto kEndWait = std::chrono::milliseconds(1000);
// How long cancel() waits for an attempt in progress, which holds the device
// and would make the caller's own open of it fail as "held".
constexpr auto kCancelWait = std::chrono::milliseconds(100);

}  // namespace

struct PortWatch::State {
    Found found;
    std::mutex mutex;
    Options options;  // mutex
    std::condition_variable ended;
    std::string path;           // mutex
    std::uint64_t ticket = 0;   // mutex: 0 while not watching
    std::uint64_t lastTicket = 0;
    bool quit = false;          // mutex
    bool threadEnded = false;   // mutex
    bool attempting = false;    // mutex: an open in progress
    std::unique_ptr<SerialDevice> device;  // mutex: found, not taken yet
    std::uint64_t deviceTicket = 0;        // mutex
    WakeEvent wake;
    std::atomic<std::uint64_t> attempts{0};

    bool waitForWork(std::string& outPath, std::uint64_t& outTicket);
    bool handOver(std::uint64_t ticket, std::unique_ptr<SerialDevice>& device);
    bool attempt(const std::string& devicePath, std::uint64_t ticket);
    void run();
};

// Blocks while nothing is watched; false once the watch is to end.
bool PortWatch::State::waitForWork(std::string& outPath, std::uint64_t& outTicket) {
    for (;;) {
        {
            std::lock_guard lk(mutex);
            if (quit) return false;
            if (ticket != 0) {
                outPath = path;
                outTicket = ticket;
                return true;
            }
        }
        wake.wait(-1);
    }
}

// Under the lock, so that the destructor, once it has set `quit`, knows that
// `found` runs no more. False when the watch was replaced or ended meanwhile
// (the device is then closed by the caller).
bool PortWatch::State::handOver(std::uint64_t t, std::unique_ptr<SerialDevice>& opened) {
    std::lock_guard lk(mutex);
    if (quit || ticket != t) return false;
    ticket = 0;
    device = std::move(opened);
    deviceTicket = t;
    if (found) found(t);
    return true;
}

void PortWatch::State::run() {
    DirWatch dirs;
    std::string devicePath;
    std::uint64_t t = 0;
    auto last = std::chrono::steady_clock::now() - kMinAttemptGap;
    while (waitForWork(devicePath, t)) {
        Options now;
        {
            std::lock_guard lk(mutex);
            now = options;
        }
        const auto next = last + kMinAttemptGap;
        if (std::chrono::steady_clock::now() < next) std::this_thread::sleep_until(next);
        // Watch first, then try: a change after the attempt is then not missed.
        dirs.setFolders(now.useNotifications ? foldersAffecting(devicePath) : std::vector<std::string>{});
        dirs.drain();
        last = std::chrono::steady_clock::now();
        const bool opened = attempt(devicePath, t);
        if (!opened) dirs.wait(wake, now.fallbackMs, now.useNotifications);
    }
    std::lock_guard lk(mutex);
    threadEnded = true;
    ended.notify_all();
}

// One open; a device nobody wants any more is closed before `attempting`
// goes back to false.
bool PortWatch::State::attempt(const std::string& devicePath, std::uint64_t t) {
    {
        std::lock_guard lk(mutex);
        if (quit || ticket != t) return true;
        attempting = true;
    }
    ++attempts;
    auto opened = std::make_unique<SerialDevice>();
    const bool ok = opened->open(devicePath) == 0;
    if (ok) handOver(t, opened);
    opened.reset();
    std::lock_guard lk(mutex);
    attempting = false;
    ended.notify_all();
    return ok;
}

PortWatch::PortWatch(Found found) : PortWatch(std::move(found), Options{}) {}

PortWatch::PortWatch(Found found, Options options) : state_(std::make_shared<State>()) {
    state_->found = std::move(found);
    state_->options = options;
}

PortWatch::~PortWatch() {
    if (!thread_.joinable()) return;
    std::unique_lock lk(state_->mutex);
    state_->quit = true;
    state_->wake.set();
    if (state_->ended.wait_for(lk, kEndWait, [&] { return state_->threadEnded; })) {
        lk.unlock();
        thread_.join();
    } else {
        thread_.detach();  // stuck in open(): it ends with the process
    }
}

std::uint64_t PortWatch::watch(const std::string& devicePath) {
    std::uint64_t t;
    std::unique_ptr<SerialDevice> unwanted;
    {
        std::lock_guard lk(state_->mutex);
        unwanted = std::move(state_->device);  // found for an earlier watch
        state_->deviceTicket = 0;
        state_->path = devicePath;
        state_->ticket = ++state_->lastTicket;
        t = state_->ticket;
    }
    if (!thread_.joinable()) thread_ = std::thread([s = state_] { s->run(); });
    state_->wake.set();
    return t;
}

std::unique_ptr<SerialDevice> PortWatch::take(std::uint64_t ticket) {
    std::lock_guard lk(state_->mutex);
    if (ticket == 0 || state_->deviceTicket != ticket) return nullptr;
    state_->deviceTicket = 0;
    return std::move(state_->device);
}

void PortWatch::cancel() {
    std::unique_ptr<SerialDevice> unwanted;
    {
        std::unique_lock lk(state_->mutex);
        state_->ticket = 0;
        state_->ended.wait_for(lk, kCancelWait, [&] { return !state_->attempting; });
        unwanted = std::move(state_->device);
        state_->deviceTicket = 0;
    }
}

void PortWatch::setOptions(Options options) {
    std::lock_guard lk(state_->mutex);
    state_->options = options;
}

bool PortWatch::watching() const {
    std::lock_guard lk(state_->mutex);
    return state_->ticket != 0;
}

std::uint64_t PortWatch::attempts() const { return state_->attempts.load(); }

}  // namespace vos::serial
