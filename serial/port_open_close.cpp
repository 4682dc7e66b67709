// Opening and closing of the port component (GUI thread).
#include <exception>

#include "platform/core/port_map.h"
#include "platform/qt/gui_handover.h"
#include "serial/core/dispatcher_platform.h"
#include "serial/port_component.h"

namespace vos::serial {

void TSerialCustomComPort::setOpen(bool on) {
    if (on) {
        if (state_ == psShuttingDown) {
            openPending_ = true;  // opens as soon as the close has finished
            return;
        }
        if (!open_) openPort();
        return;
    }
    openPending_ = false;
    if (open_) closePort();
}

void TSerialCustomComPort::openOn(std::unique_ptr<SerialDevice> device) {
    if (!device || state_ != psClosed || open_ || s_.ComNumber == 0) return;
    openPort(std::move(device));
}

// Any failure leaves the port closed, without a dispatcher, and propagates.
void TSerialCustomComPort::openPort(std::shared_ptr<SerialDevice> device) {
    if (s_.ComNumber == 0) {
        const int chosen = (s_.PromptForPort && selectPort) ? selectPort() : 0;
        if (chosen <= 0 || chosen > 65535) raiseForCode(kNoPortSelected);
        s_.ComNumber = static_cast<std::uint16_t>(chosen);
    }
    startDispatcher(std::move(device));
    state_ = psOpen;
    try {
        applyAllSettings();
        open_ = true;
        if (saved_) dispatcher_->restoreTriggers(*saved_);
    } catch (...) {
        closeSilently();
        throw;
    }
    notifyUsers(true);
    if (auto fn = OnPortOpen) fn(self());
}

// The endpoint is registered before the device starts, so that nothing the
// control sends right after the open is announced to nobody.
void TSerialCustomComPort::startDispatcher(std::shared_ptr<SerialDevice> device) {
    DispatcherOptions options;
    options.handover = handover_;
    options.table = &table_;
    options.owner = this;
    auto d = std::make_unique<TSerialPlatformDispatcher>(options);
    // Runs on the ending worker thread: show the error later, on the GUI thread.
    GuiHandover* handover = handover_;
    d->setThreadErrorHandler([handover](int code) { handover->post([code] { raiseForCode(code); }); });
    watchLine(*d);
    d->setPortHandlerSet(true);
    receiverId_ = d->registerReceiver(
        [this](std::uint16_t kind, std::uint32_t first, std::uint32_t second) { dispatchEvent(kind, first, second); });

    StartSettings start;
    start.deviceName = devicePathForPort(programFolder_, s_.ComNumber);
    if (start.deviceName.empty()) raiseForCode(openFailureCode(kCodeNoDevice));
    start.device = std::move(device);
    start.line = lineSettings();
    start.inSize = s_.InSize;
    start.outSize = s_.OutSize;
    start.dtr = s_.DTR;
    start.rts = s_.RTS;
    start.hwFlow = s_.HWFlowOptions;
    if (const int rc = d->start(start); rc != 0) raiseForCode(openFailureCode(rc));
    dispatcher_ = std::move(d);
    openOutSize_ = s_.OutSize;
}

// Every setting is forced onto the fresh device, even where unchanged; the
// flow settings also validate BufferFull and BufferResume against InSize.
void TSerialCustomComPort::applyAllSettings() {
    TSerialBaseDispatcher& d = *dispatcher_;
    raiseForCode(d.setFlowSettings(s_.BufferFull, s_.BufferResume, s_.HWFlowOptions));
    d.setAvailThreshold(s_.AvailThreshold);
    raiseForCode(d.setDtr(s_.DTR));
    raiseForCode(d.setRts(s_.RTS));
}

// The failure is told on a worker thread; the close runs later on the GUI
// thread, and only if this very dispatcher is still the open one. It runs
// outside the hand-over's job sequence: the close waits for the dispatcher
// thread, which may be waiting for a delivery that must be served meanwhile.
void TSerialCustomComPort::watchLine(TSerialBaseDispatcher& d) {
    const std::uint64_t generation = ++generation_;
    GuiHandover* handover = handover_;
    std::weak_ptr<TSerialCustomComPort*> alive = alive_;
    d.setLineFailureHandler([handover, alive, generation](int code) {
        handover->postOutside([alive, generation, code] {
            if (auto p = alive.lock()) (*p)->lineFailed(generation, code);
        });
    });
}

void TSerialCustomComPort::lineFailed(std::uint64_t generation, int code) {
    if (state_ != psOpen || generation != generation_ || silent_) return;
    closePort();
    if (auto fn = OnLineLost) fn(self(), code);
}

void TSerialCustomComPort::closePort() {
    if (state_ != psOpen) return;
    state_ = psShuttingDown;
    saved_ = dispatcher_->saveTriggers();
    dispatcher_->stop();  // serves pending events while the threads end
    if (dispatcher_->closeLater()) {
        // Closed from inside one of the port's own events: the dispatcher
        // thread waits for that event, so the rest runs after it returns.
        deferredClose_ = true;
        postDeferredClose();
        return;
    }
    finishClose();
}

void TSerialCustomComPort::finishClose() {
    dispatcher_->unregisterReceiver(receiverId_);
    receiverId_ = 0;
    dispatcher_.reset();
    state_ = psClosed;
    open_ = false;
    notifyUsers(false);
    if (auto fn = OnPortClose) fn(self());
}

void TSerialCustomComPort::postDeferredClose() {
    std::weak_ptr<TSerialCustomComPort*> alive = alive_;
    handover_->post([alive] {
        if (auto p = alive.lock()) (*p)->completeDeferredClose();
    });
}

// A posted job, after the event that closed the port has returned.
void TSerialCustomComPort::completeDeferredClose() {
    if (!deferredClose_) return;
    if (dispatcher_->deliveryRunning()) {
        postDeferredClose();  // the dispatcher thread is still finishing it
        return;
    }
    deferredClose_ = false;
    finishClose();
    if (openPending_) {
        openPending_ = false;
        openPort();  // an error goes to the error box (the job runs guarded)
    }
}

// No event, no notification: used when an open fails half-way and when the
// component is destroyed.
void TSerialCustomComPort::closeSilently() noexcept {
    if (dispatcher_) {
        state_ = psShuttingDown;
        silent_ = true;  // events served while the threads end are dropped
        try {
            dispatcher_->stop();
            dispatcher_->unregisterReceiver(receiverId_);
        } catch (...) {
        }
        dispatcher_.reset();  // joins a dispatcher thread left by a deferred close
        silent_ = false;
    }
    receiverId_ = 0;
    state_ = psClosed;
    open_ = false;
    deferredClose_ = false;
}

}  // namespace vos::serial
