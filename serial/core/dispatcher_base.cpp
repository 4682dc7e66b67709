#include "serial/core/dispatcher_base.h"

#include <pthread.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace vos::serial {

namespace {

constexpr auto kEndPollSlice = std::chrono::milliseconds(2);
// A dispatcher thread still running after this long is signalled again.
constexpr auto kResignalAfter = std::chrono::milliseconds(36 * kTickMs);

}  // namespace

TSerialBaseDispatcher::TSerialBaseDispatcher(const DispatcherOptions& options)
    : handover_(options.handover),
      ownClock_(options.clock ? nullptr : std::make_unique<SteadyClock>()),
      clock_(options.clock ? options.clock : ownClock_.get()),
      table_(options.table),
      owner_(options.owner),
      deliveryTimeoutMs_(options.deliveryTimeoutMs) {
    if (table_) slot_ = table_->add(this);
}

TSerialBaseDispatcher::~TSerialBaseDispatcher() {
    if (jobsRunning_.load() > 0) {
        // Destroyed from inside its own delivery: the dispatcher thread waits
        // for that delivery and the delivery for this destructor. Fail loudly
        // rather than hang.
        std::fputs("TSerialBaseDispatcher destroyed inside its own delivery\n", stderr);
        std::abort();
    }
    // The subclass has stopped everything in shutdown(); this only catches a
    // dispatcher thread left by a close-later stop.
    if (dispatcherThread_.thread.joinable()) joinServing(dispatcherThread_);
    if (table_) table_->remove(slot_);
}

void TSerialBaseDispatcher::shutdown() {
    stop();
    if (dispatcherThread_.thread.joinable()) joinServing(dispatcherThread_);
}

bool TSerialBaseDispatcher::isDeviceOpen() const { return deviceIsOpen(); }

int TSerialBaseDispatcher::start(const StartSettings& settings) {
    // Open, or closed from inside a delivery whose dispatcher thread cannot
    // end before that delivery returns.
    if (deviceIsOpen() || (jobsRunning_.load() > 0 && dispatcherThread_.running.load()))
        throw std::logic_error("Dispatcher already started.");
    if (dispatcherThread_.thread.joinable()) joinServing(dispatcherThread_);
    for (const int err : {queue_.error(), dispatcherWake_.error(), startAck_.error(), stopEvent_.error()})
        if (err != 0) return codeForErrno(err, DeviceStep::Open);

    StopThreads = false;
    stopRequested_ = false;
    deviceFailed_ = false;
    lineFailureReported_ = false;
    CloseLater = false;
    stopEvent_.reset();
    if (const int rc = deviceOpen(settings); rc != 0) return rc;

    {
        std::lock_guard lk(outMutex_);
        outRing_.reset(settings.outSize);
        sent_ = false;
    }
    resetState();
    queue_.clear();
    queue_.resetDropped();
    int rc = 0;
    {
        std::lock_guard lk(mainMutex_);
        dtr_ = settings.dtr;
        rts_ = settings.rts;
        hwFlow_ = settings.hwFlow;
        inSize_ = settings.inSize;
        previousBaud_ = 115200;
        lineErrors_ = 0;
        RingSeen = false;
        triggers_.clear();
        rc = driveDtrRtsLocked();
    }
    refreshModemStatus();
    if (rc == 0) rc = setLineSettings(settings.line);
    if (rc == 0) {
        std::lock_guard lk(mainMutex_);
        deviceTakeLineErrors();  // forget errors from before this start
        lineErrors_ = 0;
    }
    if (rc == 0) rc = startThreads();
    if (rc != 0) undoStart();
    return rc;
}

void TSerialBaseDispatcher::resetState() {
    std::lock_guard lk(dataMutex_);
    inRing_.reset(kInputRingSize);
    InAvailDelivery = false;
    TakenCount = 0;
    MaxTakenCount = 0;
    arrivals_ = 0;
    arrivalsAnnounced_ = 0;
}

int TSerialBaseDispatcher::startThreads() {
    if (const int rc = launchReader(); rc != 0) return rc;
    if (const int rc = launchThread(dispatcherThread_, "vos-dispatcher", [this] { dispatcherThreadBody(); }); rc != 0)
        return rc;
    if (const int rc = launchWriter(); rc != 0) return rc;
    return launchStatusWatcher();
}

void TSerialBaseDispatcher::undoStart() {
    stopRequested_ = true;
    requestStopThreads();
    closeDeviceThreads();
    if (dispatcherThread_.thread.joinable()) joinServing(dispatcherThread_);
    deviceClose();
    freeRings();
}

void TSerialBaseDispatcher::stop() {
    if (closing_) return;  // a receiver served while stopping asked again
    if (!deviceIsOpen()) {
        if (jobsRunning_.load() == 0 && dispatcherThread_.thread.joinable())
            joinServing(dispatcherThread_);
        return;
    }
    closing_ = true;
    clearOutput();
    clearInput();
    closeThreadsAndDevice();
    closing_ = false;
}

void TSerialBaseDispatcher::closeThreadsAndDevice() {
    stopRequested_ = true;
    requestStopThreads();
    closeDeviceThreads();
    if (jobsRunning_.load() > 0) {
        // Called from inside our own delivery: the dispatcher thread is
        // waiting for it, so it can only end after this call has returned.
        CloseLater = true;
    } else if (dispatcherThread_.thread.joinable()) {
        joinServing(dispatcherThread_);
    }
    deviceClose();
    if (!CloseLater) freeRings();
}

void TSerialBaseDispatcher::freeRings() {
    {
        std::lock_guard lk(outMutex_);
        outRing_.reset(0);
    }
    std::lock_guard lk(dataMutex_);
    inRing_.clear();
}

void TSerialBaseDispatcher::requestStopThreads() {
    StopThreads = true;
    stopEvent_.set();
    dispatcherWake_.set();
}

int TSerialBaseDispatcher::launchThread(WorkerThread& worker, const char* name, std::function<void()> body) {
    startAck_.reset();
    worker.running = true;
    try {
        worker.thread = std::thread([this, &worker, name, body = std::move(body)] {
            ::pthread_setname_np(::pthread_self(), name);
            body();
            {
                std::lock_guard lk(endMutex_);
                worker.running = false;
            }
            endCv_.notify_all();
        });
    } catch (const std::system_error& e) {
        worker.running = false;
        return codeForErrno(e.code().value(), DeviceStep::Control);
    }
    return startAck_.wait(kThreadStartTimeoutMs) ? 0 : kCodeGeneralFailure;
}

void TSerialBaseDispatcher::threadBegins() {
    ++activeThreads_;
    acknowledge();
}

void TSerialBaseDispatcher::threadEnded(int result) {
    if (result == kCodeReadFault || result == kCodeWriteFault) {
        {
            std::lock_guard lk(mainMutex_);
            lineErrors_ = -1;
        }
        deviceFailed_ = true;
        requestStopThreads();
        reportLineFailure(result);
    } else if (result < 0) {
        ThreadErrorHandler handler;
        {
            std::lock_guard lk(mainMutex_);
            handler = errorHandler_;
        }
        requestStopThreads();
        if (handler) handler(result);
        reportLineFailure(result);
    }
    --activeThreads_;
}

// The first failure of this start only; a failure met while stop() ends the
// threads is part of that stop.
void TSerialBaseDispatcher::reportLineFailure(int code) {
    if (stopRequested_.load() || lineFailureReported_.exchange(true)) return;
    LineFailureHandler handler;
    {
        std::lock_guard lk(mainMutex_);
        handler = lineFailureHandler_;
    }
    if (handler) handler(code);
}

void TSerialBaseDispatcher::joinServing(WorkerThread& worker) {
    auto lastSignal = std::chrono::steady_clock::now();
    while (worker.running.load()) {
        if (handover_ && handover_->serveOnePending()) continue;
        {
            std::unique_lock lk(endMutex_);
            endCv_.wait_for(lk, kEndPollSlice, [&] { return !worker.running.load(); });
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - lastSignal > kResignalAfter) {
            requestStopThreads();
            lastSignal = now;
        }
    }
    if (worker.thread.joinable()) worker.thread.join();
}

void TSerialBaseDispatcher::setThreadErrorHandler(ThreadErrorHandler handler) {
    std::lock_guard lk(mainMutex_);
    errorHandler_ = std::move(handler);
}

void TSerialBaseDispatcher::setLineFailureHandler(LineFailureHandler handler) {
    std::lock_guard lk(mainMutex_);
    lineFailureHandler_ = std::move(handler);
}

}  // namespace vos::serial
