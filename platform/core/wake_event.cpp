#include "platform/core/wake_event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace vos {

WakeEvent::WakeEvent(Mode mode) : mode_(mode) {
    fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd_ < 0) error_ = errno;
}

WakeEvent::~WakeEvent() {
    if (fd_ >= 0) ::close(fd_);
}

void WakeEvent::set() {
    if (fd_ < 0) return;
    const std::uint64_t one = 1;
    // EAGAIN only when the counter is at its maximum: it is set anyway.
    [[maybe_unused]] auto n = ::write(fd_, &one, sizeof one);
}

void WakeEvent::reset() {
    if (fd_ < 0) return;
    std::uint64_t value = 0;
    [[maybe_unused]] auto n = ::read(fd_, &value, sizeof value);
}

bool WakeEvent::acknowledge() {
    if (fd_ < 0) return false;
    if (mode_ == Mode::ManualReset) {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }
    std::uint64_t value = 0;
    return ::read(fd_, &value, sizeof value) == sizeof value;
}

bool WakeEvent::consume() { return acknowledge(); }

bool WakeEvent::wait(int timeoutMs) { return waitAny({this}, timeoutMs) == 0; }

int waitAny(std::initializer_list<WakeEvent*> events, int timeoutMs) {
    pollfd fds[8];
    const int count = static_cast<int>(events.size());
    if (count > 8) return -1;
    int i = 0;
    for (WakeEvent* e : events) fds[i++] = {e->fd(), POLLIN, 0};
    int r;
    do {
        r = ::poll(fds, static_cast<nfds_t>(count), timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r <= 0) return -1;
    i = 0;
    for (WakeEvent* e : events) {
        if ((fds[i].revents & POLLIN) && e->acknowledge()) return i;
        ++i;
    }
    // Another waiter took the signal first: callers re-check their state.
    return -1;
}

}  // namespace vos
