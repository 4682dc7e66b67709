#include "platform/core/serial_device.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/core/errno_codes.h"

namespace vos {

namespace {

int controlCode() { return codeForErrno(errno, DeviceStep::Control); }

// A device that does not implement an ioctl (a pseudo-terminal and the modem
// calls) answers ENOTTY or EINVAL: that is "not supported", not a failure.
bool refusedAsUnsupported(int err) { return err == ENOTTY || err == EINVAL; }

int modemBits(int fd, unsigned long request, int bits) {
    if (::ioctl(fd, request, &bits) == 0) return 0;
    return refusedAsUnsupported(errno) ? 0 : controlCode();
}

}  // namespace

SerialDevice::~SerialDevice() { close(); }

int SerialDevice::open(const std::string& path) {
    if (fd_ >= 0) return codeForErrno(EBUSY, DeviceStep::Open);
    if (const auto address = networkAddress(path)) return openNetwork(*address);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return codeForErrno(errno, DeviceStep::Open);
    termios original{};
    int code = 0;
    int exclusive = 0;
    if (::tcgetattr(fd, &original) != 0) {
        code = codeForErrno(errno, DeviceStep::Open);
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        code = codeForErrno(errno, DeviceStep::Open);
    } else if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive) {
        // Another program took the line with TIOCEXCL alone (root passes that check).
        code = codeForErrno(EBUSY, DeviceStep::Open);
    } else {
        ::ioctl(fd, TIOCEXCL);
        termios raw = original;
        makeRawTermios(raw);
        if (::tcsetattr(fd, TCSANOW, &raw) != 0) code = codeForErrno(errno, DeviceStep::Open);
        if (code != 0) ::ioctl(fd, TIOCNXCL);
    }
    if (code != 0) {
        ::close(fd);
        return code;
    }
    fd_ = fd;
    saved_ = original;
    savedValid_ = true;
    modemSupport_ = -1;
    counterSupport_ = -1;
    return 0;
}

int SerialDevice::openNetwork(const NetAddress& address) {
    int fd = -1;
    if (const int rc = NetPort::connect(address, kNetConnectTimeoutMs, net_, fd); rc != 0) return rc;
    fd_ = fd;
    savedValid_ = false;
    modemSupport_ = 0;
    counterSupport_ = 0;
    return 0;
}

bool SerialDevice::adopt(SerialDevice& other) {
    if (fd_ >= 0 || &other == this || other.fd_ < 0) return false;
    fd_ = other.fd_;
    net_ = std::move(other.net_);
    saved_ = other.saved_;
    savedValid_ = other.savedValid_;
    modemSupport_ = net_ ? 0 : -1;
    counterSupport_ = net_ ? 0 : -1;
    other.fd_ = -1;
    other.savedValid_ = false;
    return true;
}

int SerialDevice::close() {
    if (fd_ < 0) return 0;
    net_.reset();  // ends the connection; the socket pair closes below
    ::ioctl(fd_, TIOCNXCL);
    if (savedValid_) ::tcsetattr(fd_, TCSANOW, &saved_);  // fails harmlessly after a hang-up
    savedValid_ = false;
    const int rc = ::close(fd_);
    fd_ = -1;
    return (rc == 0 || errno == EINTR) ? 0 : -1;
}

int SerialDevice::readParams(LineParams& out) const {
    if (net_) return net_->readParams(out);
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return controlCode();
    out = lineParamsOf(t);
    return 0;
}

int SerialDevice::writeParams(const LineParams& params) {
    if (net_) return net_->writeParams(params);
    termios t{};
    if (::tcgetattr(fd_, &t) != 0) return controlCode();
    if (const int err = applyLineParams(params, t); err != 0)
        return codeForErrno(err, DeviceStep::Control);
    if (::tcsetattr(fd_, TCSANOW, &t) != 0) return controlCode();
    return 0;
}

int SerialDevice::setDtr(bool on) {
    if (net_) return net_->setDtr(on);
    return modemBits(fd_, on ? TIOCMBIS : TIOCMBIC, TIOCM_DTR);
}

int SerialDevice::setRts(bool on) {
    if (net_) return net_->setRts(on);
    return modemBits(fd_, on ? TIOCMBIS : TIOCMBIC, TIOCM_RTS);
}

std::uint8_t SerialDevice::modemInputs() {
    std::uint8_t bits = 0;
    readModemInputs(bits);
    return bits;
}

bool SerialDevice::readModemInputs(std::uint8_t& out) {
    out = 0;
    if (fd_ < 0 || modemSupport_ == 0) return false;
    int lines = 0;
    if (::ioctl(fd_, TIOCMGET, &lines) != 0) {
        if (refusedAsUnsupported(errno)) modemSupport_ = 0;
        return false;
    }
    modemSupport_ = 1;
    std::uint8_t bits = 0;
    if (lines & TIOCM_CTS) bits |= kModemCts;
    if (lines & TIOCM_DSR) bits |= kModemDsr;
    if (lines & TIOCM_RNG) bits |= kModemRing;
    if (lines & TIOCM_CAR) bits |= kModemDcd;
    out = bits;
    return true;
}

bool SerialDevice::readCounters(LineCounters& out) {
    if (fd_ < 0 || counterSupport_ == 0) return false;
    serial_icounter_struct c{};
    if (::ioctl(fd_, TIOCGICOUNT, &c) != 0) {
        if (refusedAsUnsupported(errno)) counterSupport_ = 0;
        return false;
    }
    counterSupport_ = 1;
    out.frame = static_cast<std::uint32_t>(c.frame);
    out.overrun = static_cast<std::uint32_t>(c.overrun);
    out.parity = static_cast<std::uint32_t>(c.parity);
    out.brk = static_cast<std::uint32_t>(c.brk);
    out.bufferOverrun = static_cast<std::uint32_t>(c.buf_overrun);
    return true;
}

void SerialDevice::queuedBytes(int& input, int& output) const {
    input = 0;
    output = 0;
    if (fd_ < 0) return;
    if (::ioctl(fd_, FIONREAD, &input) != 0) input = 0;
    if (::ioctl(fd_, TIOCOUTQ, &output) != 0) output = 0;
}

int SerialDevice::purgeInput() {
    if (net_) {
        // What the bridge has already handed over is dropped; bytes still on
        // their way over the network are not (no RFC 2217 purge is asked for).
        std::uint8_t sink[1024];
        while (::recv(fd_, sink, sizeof sink, MSG_DONTWAIT) > 0) {}
        return 0;
    }
    return ::tcflush(fd_, TCIFLUSH) == 0 ? 0 : controlCode();
}

int SerialDevice::purgeOutput() {
    if (net_) return 0;  // bytes handed to the bridge are on their way
    return ::tcflush(fd_, TCOFLUSH) == 0 ? 0 : controlCode();
}

DeviceWait SerialDevice::wait(short events, std::initializer_list<WakeEvent*> wakes,
                              int timeoutMs, int* wokenIndex) const {
    pollfd fds[8];
    nfds_t n = 0;
    for (WakeEvent* w : wakes) {
        if (n == 7) break;
        fds[n++] = {w->fd(), POLLIN, 0};
    }
    const nfds_t wakeCount = n;
    fds[n++] = {fd_, events, 0};
    int r;
    do {
        r = ::poll(fds, n, timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r <= 0) return DeviceWait::TimedOut;
    nfds_t i = 0;
    for (WakeEvent* w : wakes) {
        if (i == wakeCount) break;
        if ((fds[i].revents & POLLIN) && w->acknowledge()) {
            if (wokenIndex) *wokenIndex = static_cast<int>(i);
            return DeviceWait::Woken;
        }
        ++i;
    }
    const short got = fds[wakeCount].revents;
    if (got & events) return DeviceWait::Ready;
    if (got & (POLLHUP | POLLERR | POLLNVAL)) return DeviceWait::HangUp;
    return DeviceWait::TimedOut;  // a wake taken by another waiter: callers loop
}

ssize_t SerialDevice::read(std::uint8_t* data, std::size_t size) const {
    ssize_t n;
    do {
        n = ::read(fd_, data, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

ssize_t SerialDevice::write(const std::uint8_t* data, std::size_t size) const {
    ssize_t n;
    do {
        // A socket whose bridge has ended must fail with EPIPE, not raise SIGPIPE.
        n = net_ ? ::send(fd_, data, size, MSG_NOSIGNAL) : ::write(fd_, data, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

int probeDevice(const std::string& path) {
    if (networkAddress(path)) return 0;  // never connects (see net_address.h)
    SerialDevice device;
    const int code = device.open(path);
    device.close();
    return code;
}

}  // namespace vos
