#pragma once
// An open serial device (a tty: a UART, a USB adapter or a pseudo-terminal).
//
// Every failure is returned as a serial code through the errno table
// (platform/core/errno_codes.h), never as a raw errno.
//
// Threads: open() and close() run on one thread while no other thread uses the
// object. Between them the reader may read(), the writer may write(), the
// status watcher and the owner may issue the control calls at the same time:
// they only read the descriptor and keep no shared state besides atomics.
//
// Pseudo-terminals refuse the modem and counter calls (ENOTTY): the lines then
// read as off, the counters as unsupported, and driving DTR or RTS succeeds
// without effect.
//
// A network port (a Ports entry linking to rfc2217:// or tcp://, see
// platform/core/net_address.h) is a device too: open() connects (blocking,
// at most kNetConnectTimeoutMs: call it off the GUI thread), the descriptor
// is a local socket carrying exactly the line's bytes, and the settings go
// to the remote port (platform/core/net_port.h). It has no modem inputs and
// no error counters, like a pseudo-terminal; a connection that closes or
// fails reads as a hang-up.
#include <sys/types.h>
#include <termios.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "platform/core/net_port.h"
#include "platform/core/serial_line.h"
#include "platform/core/wake_event.h"

namespace vos {

// Running totals of line errors since the device was opened.
struct LineCounters {
    std::uint32_t frame = 0;
    std::uint32_t overrun = 0;
    std::uint32_t parity = 0;
    std::uint32_t brk = 0;
    std::uint32_t bufferOverrun = 0;
    bool operator==(const LineCounters&) const = default;
};

enum class DeviceWait {
    Ready,     // the device has the asked-for event (data, room to write)
    HangUp,    // the device reports a hang-up or an error without that event
    Woken,     // one of the wake events was signalled (see wokenIndex)
    TimedOut,
};

class SerialDevice {
public:
    SerialDevice() = default;
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens `path` for reading and writing, without becoming the controlling
    // terminal, non-blocking, close-on-exec; takes it exclusively (a
    // non-blocking flock, which holds even against root, and TIOCEXCL); saves
    // the current termios and makes the line raw, keeping its speed and frame.
    // Returns 0 or a code: -2 no such device, -5 held by another program,
    // -13 no permission, ... (see errno_codes.h). A network port: -2 when
    // its server cannot be reached (see NetPort::connect).
    int open(const std::string& path);
    // Restores the saved termios, gives up the exclusivity, closes. 0, or -1
    // when the system refuses the close. Nothing to do when not open: 0.
    int close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // Takes over `other`'s open descriptor with its saved termios and
    // exclusivity (a device opened on another thread, handed over); `other`
    // is left closed. Returns false, taking nothing, when this one is open
    // or `other` is not.
    bool adopt(SerialDevice& other);
    // The network port behind the descriptor; null for a local device.
    const NetPort* network() const { return net_.get(); }

    int readParams(LineParams& out) const;
    int writeParams(const LineParams& params);
    int setDtr(bool on);
    int setRts(bool on);
    // CTS, DSR, ring and carrier as kModem* bits; 0 when the device has no modem lines.
    std::uint8_t modemInputs();
    // Like modemInputs(), but false when the device has no modem lines.
    bool readModemInputs(std::uint8_t& out);
    // False when the device keeps no error counters.
    bool readCounters(LineCounters& out);
    // Bytes waiting in the driver's receive and transmit queues (0 when unknown).
    void queuedBytes(int& input, int& output) const;
    int purgeInput();
    int purgeOutput();

    // Waits for `events` (POLLIN or POLLOUT) on the device or for one of
    // `wakes`, at most timeoutMs (-1: no limit). A signalled wake event wins
    // over a ready device; its index goes to *wokenIndex.
    DeviceWait wait(short events, std::initializer_list<WakeEvent*> wakes, int timeoutMs,
                    int* wokenIndex = nullptr) const;
    // read(2)/write(2) without EINTR: > 0 bytes moved; read() 0 = hang-up;
    // -1 with errno (EAGAIN: nothing now).
    ssize_t read(std::uint8_t* data, std::size_t size) const;
    ssize_t write(const std::uint8_t* data, std::size_t size) const;

private:
    int openNetwork(const NetAddress& address);

    int fd_ = -1;
    std::unique_ptr<NetPort> net_;
    termios saved_{};
    bool savedValid_ = false;
    // -1 unknown, 0 refused by the device, 1 works.
    std::atomic<int> modemSupport_{-1};
    std::atomic<int> counterSupport_{-1};
};

// Opens `path` exactly as SerialDevice::open() does and closes it at once.
// Returns the code of the open (0 when it could be opened). A network port
// is not connected: 0 when its URL is well-formed (see net_address.h).
int probeDevice(const std::string& path);

}  // namespace vos
