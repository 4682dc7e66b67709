#include "serial/core/dispatcher_platform.h"

#include "platform/core/errno_codes.h"

namespace vos {

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
    if (const int rc = device_.open(name_); rc != 0) return rc;
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
    return launchThread(reader_, [this] {
        threadBegins();
        threadEnded(readerLoop());
    });
}

int TSerialPlatformDispatcher::launchWriter() {
    return launchThread(writer_, [this] {
        threadBegins();
        threadEnded(writerLoop());
    });
}

int TSerialPlatformDispatcher::launchStatusWatcher() {
    return launchThread(status_, [this] {
        threadBegins();
        threadEnded(statusLoop());
    });
}

void TSerialPlatformDispatcher::closeDeviceThreads() {
    writerWake_.set();
    joinServing(status_);
    joinServing(writer_);
    joinServing(reader_);
}

}  // namespace vos
