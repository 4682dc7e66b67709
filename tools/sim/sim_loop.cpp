#include "tools/sim/sim_loop.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

namespace vos::sim {
namespace {

using Clock = std::chrono::steady_clock;

struct Link {
    bool hungUp = false;
    bool connected = false;  // a byte came since the last opening
    bool ready = false;      // the full screen has been queued
    Clock::time_point firstByte;
    std::string pending;

    void Reset(bool hangup) {
        hungUp = hangup;
        connected = ready = false;
        pending.clear();
    }
};

void LogBytes(std::FILE* log, const uint8_t* data, size_t n) {
    if (log == nullptr) return;
    for (size_t i = 0; i < n; ++i) std::fprintf(log, "%02X\n", data[i]);
    std::fflush(log);
}

// Reads what is waiting; false on a hang-up.
bool ReadInput(const LoopIo& io, ControlSimulator& sim, Link& link) {
    uint8_t buf[4096];
    const ssize_t n = ::read(io.master, buf, sizeof buf);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
    if (n <= 0) return false;
    LogBytes(io.log, buf, static_cast<size_t>(n));
    if (!link.connected) {
        link.connected = true;
        link.firstByte = Clock::now();
    }
    for (ssize_t i = 0; i < n; ++i) {
        const std::string reply = sim.OnByte(buf[i]);
        if (link.ready) link.pending += reply;
    }
    return true;
}

bool WriteOutput(const LoopIo& io, Link& link) {
    const ssize_t n = ::write(io.master, link.pending.data(), link.pending.size());
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    link.pending.erase(0, static_cast<size_t>(n));
    return true;
}

int StartTimeout(Link& link, ControlSimulator& sim) {
    if (!link.connected || link.ready) return -1;
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - link.firstByte);
    if (waited.count() < kStartDelayMs) return static_cast<int>(kStartDelayMs - waited.count());
    link.ready = true;
    link.pending = sim.Redraw();
    return -1;
}

// While nobody has the line open the master polls POLLHUP at once; wait
// here and look again, so the loop sleeps instead of spinning.
bool WaitForReopen(const LoopIo& io, Link& link) {
    pollfd stop{io.stopFd, POLLIN, 0};
    if (::poll(&stop, 1, kHangupPollMs) > 0) return false;
    pollfd master{io.master, POLLIN, 0};
    if (::poll(&master, 1, 0) >= 0 && !(master.revents & POLLHUP)) link.Reset(false);
    return true;
}

}  // namespace

int RunLoop(const LoopIo& io, ControlSimulator& sim) {
    Link link;
    for (;;) {
        if (link.hungUp) {
            if (!WaitForReopen(io, link)) return 0;
            continue;
        }
        const int timeout = StartTimeout(link, sim);
        const short out = link.ready && !link.pending.empty() ? POLLOUT : 0;
        pollfd fds[2] = {{io.stopFd, POLLIN, 0}, {io.master, static_cast<short>(POLLIN | out), 0}};
        if (::poll(fds, 2, timeout) < 0) {
            if (errno == EINTR) continue;
            return 1;
        }
        if (fds[0].revents != 0) return 0;
        const short ev = fds[1].revents;
        if (ev & POLLNVAL) return 1;
        if ((ev & POLLIN) && !ReadInput(io, sim, link))
            link.Reset(true);
        else if ((ev & (POLLHUP | POLLERR)) && !(ev & POLLIN))
            link.Reset(true);
        else if ((ev & POLLOUT) && !WriteOutput(io, link))
            link.Reset(true);
    }
}

}  // namespace vos::sim
