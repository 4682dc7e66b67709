// The reader, writer and status-watcher loops of TSerialPlatformDispatcher.
// Each returns the thread's result: 0 after a stop, or a failure code.
#include <poll.h>

#include <cerrno>

#include "platform/core/errno_codes.h"
#include "serial/core/dispatcher_platform.h"

namespace vos::serial {

namespace {

constexpr int kReadWaitMs = 50;
constexpr int kWriteWaitMs = 100;
constexpr int kStatusPollMs = 20;

std::uint32_t deviceEventsBetween(std::uint8_t linesBefore, std::uint8_t lines,
                                  const LineCounters& before, const LineCounters& now) {
    std::uint32_t mask = 0;
    const std::uint8_t changed = linesBefore ^ lines;
    if (changed & kModemCts) mask |= kDevCts;
    if (changed & kModemDsr) mask |= kDevDsr;
    if (changed & kModemDcd) mask |= kDevDcd;
    if (changed & kModemRing) mask |= (lines & kModemRing) ? kDevRing : kDevRingEnded;
    if (now.brk != before.brk) mask |= kDevBreak;
    if (now.frame != before.frame || now.overrun != before.overrun ||
        now.parity != before.parity || now.bufferOverrun != before.bufferOverrun)
        mask |= kDevError;
    return mask;
}

}  // namespace

int TSerialPlatformDispatcher::readerLoop() {
    while (!stopThreadsRequested()) {
        switch (device_.wait(POLLIN, {&stopEvent()}, kReadWaitMs)) {
        case DeviceWait::Woken: return 0;
        case DeviceWait::TimedOut: continue;
        case DeviceWait::HangUp: return kCodeReadFault;
        case DeviceWait::Ready: break;
        }
        if (const int rc = readAvailable(); rc != 0) return rc;
    }
    return 0;
}

// Reads chunk after chunk until the device has nothing more. A read of 0
// bytes after poll() reported data is a hang-up (a pseudo-terminal whose
// master closed): a failure, or the loop would spin on it.
int TSerialPlatformDispatcher::readAvailable() {
    for (;;) {
        std::unique_ptr<TDataBuffer> chunk;
        try {
            chunk = TDataBuffer::create();
        } catch (const std::exception&) {
            return kNoChunkMemory;
        }
        const ssize_t n = device_.read(chunk->data.data(), chunk->size);
        if (n == 0) return kCodeReadFault;
        if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : kCodeReadFault;
        chunk->filled = static_cast<std::uint16_t>(n);
        const bool partial = chunk->filled < chunk->size;
        ioQueue().appendData(std::move(chunk));
        if (partial) return 0;
    }
}

int TSerialPlatformDispatcher::writerLoop() {
    enum { kStop, kWake, kReady };
    while (!stopThreadsRequested()) {
        switch (waitAny({&stopEvent(), &writerWake_, &outputReady_}, kWriteWaitMs)) {
        case kStop: return 0;
        case kWake:  // confirms a clearing
            clearPending_ = false;
            acknowledge();
            continue;
        case kReady:
            if (const int rc = writePass(); rc != 0) return rc;
            continue;
        default: continue;
        }
    }
    return 0;
}

// A clearing asked for since the last look, its wake-up taken (a system call
// only when the flag is set).
bool TSerialPlatformDispatcher::clearRequested() {
    if (!clearPending_.load() || !writerWake_.consume()) return false;
    clearPending_ = false;
    return true;
}

// Writes the output ring until it stays empty. Only the write lock is held
// while writing (the GUI thread then leaves the bytes to this pass). A
// clearing (writer wake-up) abandons the rest of the block and acknowledges.
int TSerialPlatformDispatcher::writePass() {
    std::lock_guard writing(writeMutex_);
    for (;;) {
        writeBlock_.clear();
        if (!takeOutput(writeBlock_)) return 0;
        std::size_t done = 0;
        while (done < writeBlock_.size()) {
            if (clearRequested()) {
                acknowledge();
                return 0;
            }
            const ssize_t n = device_.write(writeBlock_.data() + done, writeBlock_.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return kCodeWriteFault;
            int woken = -1;
            const auto w = device_.wait(POLLOUT, {&stopEvent(), &writerWake_}, kWriteWaitMs, &woken);
            if (w == DeviceWait::HangUp) return kCodeWriteFault;
            if (w == DeviceWait::Woken) {
                if (woken == 0) return 0;  // stop
                clearPending_ = false;
                acknowledge();
                return 0;
            }
        }
    }
}

int TSerialPlatformDispatcher::statusLoop() {
    std::uint8_t lines = 0;
    LineCounters counters;
    const bool hasLines = device_.readModemInputs(lines);
    const bool hasCounters = device_.readCounters(counters);
    if (!hasLines && !hasCounters) {
        // Nothing to watch (a pseudo-terminal): just wait for the stop.
        while (!stopThreadsRequested()) stopEvent().wait(-1);
        return 0;
    }
    while (!stopEvent().wait(kStatusPollMs)) {
        std::uint8_t nowLines = lines;
        LineCounters nowCounters = counters;
        if (hasLines) device_.readModemInputs(nowLines);
        if (hasCounters) device_.readCounters(nowCounters);
        const std::uint32_t mask = deviceEventsBetween(lines, nowLines, counters, nowCounters);
        lines = nowLines;
        counters = nowCounters;
        if (mask & kDevReportMask) ioQueue().appendStatus(mask);
    }
    return 0;
}

}  // namespace vos::serial
