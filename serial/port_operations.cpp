// Operations of the port component and the dispatch of its events (GUI thread).
#include "platform/core/serial_device.h"
#include "serial/core/dispatcher_base.h"
#include "serial/port_component.h"

namespace vos::serial {

// Null while shutting down: the caller then does nothing, without error.
// A closed port is opened first with AutoOpen, else ECommNotOpen is raised.
TSerialBaseDispatcher* TSerialCustomComPort::dispatcherForOperation() {
    if (state_ == psShuttingDown) return nullptr;
    if (state_ == psClosed && s_.AutoOpen) setOpen(true);
    if (state_ != psOpen || !dispatcher_) raiseForCode(kCommNotOpen);
    return dispatcher_.get();
}

std::uint8_t TSerialCustomComPort::TakeByte() {
    auto* d = dispatcherForOperation();
    if (!d) return 0;
    std::uint8_t byte = 0;
    raiseForCode(d->takeByte(byte));
    return byte;
}

void TSerialCustomComPort::SendBlock(const std::uint8_t* data, std::uint16_t length) {
    auto* d = dispatcherForOperation();
    if (!d || length == 0) return;
    raiseForCode(d->writeBlock(data, length));
}

void TSerialCustomComPort::ClearOutput() {
    if (auto* d = dispatcherForOperation()) raiseForCode(d->clearOutput());
}

void TSerialCustomComPort::ClearInput() {
    if (auto* d = dispatcherForOperation()) raiseForCode(d->clearInput());
}

std::uint16_t TSerialCustomComPort::NewTimerTrigger() {
    auto* d = dispatcherForOperation();
    if (!d) return 0;
    const int handle = d->NewTimerTrigger();
    raiseForCode(handle);
    return static_cast<std::uint16_t>(handle);
}

std::uint16_t TSerialCustomComPort::NewStatusTrigger(int kind) {
    auto* d = dispatcherForOperation();
    if (!d) return 0;
    const int handle = d->NewStatusTrigger(kind);
    raiseForCode(handle);
    return static_cast<std::uint16_t>(handle);
}

void TSerialCustomComPort::ArmTimerTrigger(std::uint16_t handle, std::uint32_t ticks, bool activate) {
    if (auto* d = dispatcherForOperation()) raiseForCode(d->ArmTimerTrigger(handle, ticks, activate));
}

void TSerialCustomComPort::ArmStatusTrigger(std::uint16_t handle, std::uint32_t value, bool activate) {
    if (auto* d = dispatcherForOperation()) raiseForCode(d->ArmStatusTrigger(handle, value, activate));
}

void TSerialCustomComPort::DropTrigger(std::uint16_t handle) {
    if (auto* d = openDispatcher()) raiseForCode(d->DropTrigger(handle));
}

std::uint32_t TSerialCustomComPort::InputCount() {
    auto* d = openDispatcher();
    return d ? static_cast<std::uint32_t>(d->inputCount()) : 0;
}

std::uint32_t TSerialCustomComPort::OutputCount() {
    auto* d = openDispatcher();
    return d ? static_cast<std::uint32_t>(d->outputCount()) : 0;
}

std::uint8_t TSerialCustomComPort::ModemLines() const {
    auto* d = openDispatcher();
    return d ? static_cast<std::uint8_t>(d->modemStatus() & 0xF0) : 0;
}

bool TSerialCustomComPort::RingSeen() const {
    auto* d = openDispatcher();
    return d && (d->modemStatus() & kModemRingEnded) != 0;
}

// The dispatcher keeps one set of line-error bits: reading either part
// clears both.
int TSerialCustomComPort::LineError() {
    auto* d = openDispatcher();
    if (!d) return 0;
    const int errors = d->lineErrors(true);
    return errors == -1 ? -1 : (errors & ~kLineBreak);
}

bool TSerialCustomComPort::LineBreak() {
    auto* d = openDispatcher();
    if (!d) return false;
    const int errors = d->lineErrors(true);
    return errors != -1 && (errors & kLineBreak) != 0;
}

std::uint64_t TSerialCustomComPort::DroppedInputBytes() const {
    auto* d = openDispatcher();
    return d ? d->droppedInputBytes() : 0;
}

// Idle bytes are filler: while the line does not drain (the control stopped
// reading), they stop short of the last eighth of the output ring, so that
// the operator's keys still find room there and go out, in order, as soon as
// the control reads again.
bool TSerialCustomComPort::canSendIdle() const {
    auto* d = openDispatcher();
    if (!d) return false;
    const int size = openOutSize_;
    const int keyRoom = size / 8;  // none in a ring of fewer than 8 bytes
    return size - d->outputCount() > keyRoom;
}

// The endpoint: runs on the GUI thread inside the dispatcher's delivery.
void TSerialCustomComPort::dispatchEvent(std::uint16_t kind, std::uint32_t first, std::uint32_t second) {
    if (!alive_ || silent_ || state_ == psClosed) return;
    TSerialBaseDispatcher* d = table_.find(static_cast<int>(second >> 16));
    if (!d || d->owner() != this || d != dispatcher_.get()) return;
    const auto handle = static_cast<std::uint16_t>(first);
    if (auto fn = OnTrigger) fn(self(), kind, handle, static_cast<std::uint16_t>(second & 0xFFFF));
    switch (kind) {
    case kEventDataAvail:
        if (auto fn = OnTriggerAvail) fn(self(), handle);
        break;
    case kEventTimer:
        if (auto fn = OnTriggerTimer) fn(self(), handle);
        break;
    case kEventStatus:
        if (auto fn = OnTriggerStatus) fn(self(), handle);
        dispatchStatusKind(handle);
        break;
    default:
        break;
    }
}

// The event of the status trigger's kind, after OnTriggerStatus.
void TSerialCustomComPort::dispatchStatusKind(std::uint16_t handle) {
    switch (handle & 7) {
    case kStatusModem:
        if (auto fn = OnTriggerModemStatus) fn(self());
        break;
    case kStatusLineError:
        if (auto fn = OnTriggerLineError) {
            auto* d = dispatcher_.get();
            const int errors = d ? d->lineErrors(false) : 0;
            fn(self(), errors == -1 ? -1 : (errors & ~kLineBreak), errors != -1 && (errors & kLineBreak));
        }
        break;
    case kStatusOutFree:
        if (auto fn = OnTriggerOutbuffFree) fn(self());
        break;
    case kStatusOutUsed:
        if (auto fn = OnTriggerOutbuffUsed) fn(self());
        break;
    case kStatusOutSent:
        if (auto fn = OnTriggerOutSent) fn(self());
        break;
    default:
        break;
    }
}

}  // namespace vos::serial
