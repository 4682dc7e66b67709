#include "serial/core/dispatcher_platform.h"

#include "platform/core/errno_codes.h"

namespace vos::serial {

namespace {

// kLine* bits for the counters that moved between two readings.
int lineErrorsBetween(const LineCounters& before, const LineCounters& now) {
    int bits = 0;
    if (now.bufferOverrun != before.bufferOverrun || now.overrun != before.overrun)
        bits |= kLineOverrun;
    if (now.parity != before.parity) bits |= kLineParity;
    if (now.frame != before.frame) bits |= kLineFrame;
    if (now.brk != before.brk) bits |= kLineBreak;
    return bits;
}

}  // namespace

TSerialPlatformDispatcher::TSerialPlatformDispatcher(const DispatcherOptions& options)
    : TSerialBaseDispatcher(options) {}

TSerialPlatformDispatcher::~TSerialPlatformDispatcher() { shutdown(); }

int TSerialPlatformDispatcher::deviceOpen(const StartSettings& settings) {
    name_ = settings.deviceName;
    for (const int err : {outputReady_.error(), writerWake_.error()})
        if (err != 0) return codeForErrno(err, DeviceStep::Open);
    if (name_.empty()) return kCodeNoDevice;
    if (settings.device) {
        if (!device_.adopt(*settings.device)) return kCodeNoDevice;
    } else if (const int rc = device_.open(name_); rc != 0) {
        return rc;
    }
    outputReady_.reset();
    writerWake_.reset();
    errorCounters_ = {};
    device_.readCounters(errorCounters_);
    return 0;
}

int TSerialPlatformDispatcher::deviceClose() { return device_.close(); }

int TSerialPlatformDispatcher::deviceTakeLineErrors() {
    LineCounters now;
    if (!device_.readCounters(now)) return 0;
    const int bits = lineErrorsBetween(errorCounters_, now);
    errorCounters_ = now;
    return bits;
}

int TSerialPlatformDispatcher::launchReader() {
    return launchThread(reader_, "vos-reader", [this] {
        threadBegins();
        threadEnded(readerLoop());
    });
}

int TSerialPlatformDispatcher::launchWriter() {
    return launchThread(writer_, "vos-writer", [this] {
        threadBegins();
        threadEnded(writerLoop());
    });
}

int TSerialPlatformDispatcher::launchStatusWatcher() {
    return launchThread(status_, "vos-status", [this] {
        threadBegins();
        threadEnded(statusLoop());
    });
}

// GUI thread, right after writeBlock() added bytes to the output ring.
void TSerialPlatformDispatcher::outputReady() {
    std::unique_lock writing(writeMutex_, std::try_to_lock);
    if (writing.owns_lock() && writerRunning() && writeDirect()) return;
    outputReady_.set();
}

// Under the write lock, with the writer idle: writes the ring's bytes without
// waiting. A rest the device did not take (full driver queue, or a failure
// the writer will meet and report) goes back into the ring, which is empty
// then: only this thread adds to it. False when the writer must take over.
bool TSerialPlatformDispatcher::writeDirect() {
    directBlock_.clear();
    if (!takeOutput(directBlock_)) return true;
    const ssize_t n = device_.write(directBlock_.data(), directBlock_.size());
    const std::size_t done = n > 0 ? static_cast<std::size_t>(n) : 0;
    if (done == directBlock_.size()) return true;
    returnOutput(directBlock_.data() + done, directBlock_.size() - done);
    return false;
}

void TSerialPlatformDispatcher::wakeWriterForClear() {
    clearPending_ = true;
    writerWake_.set();
}

void TSerialPlatformDispatcher::closeDeviceThreads() {
    writerWake_.set();
    joinServing(status_);
    joinServing(writer_);
    joinServing(reader_);
}

}  // namespace vos::serial
