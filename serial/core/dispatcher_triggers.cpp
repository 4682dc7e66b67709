// Trigger services and event receivers of the dispatcher.
#include "serial/core/dispatcher_base.h"

namespace vos::serial {

int TSerialBaseDispatcher::NewTimerTrigger() {
    std::lock_guard lk(mainMutex_);
    return triggers_.newTimer();
}

int TSerialBaseDispatcher::NewStatusTrigger(int kind) {
    std::lock_guard lk(mainMutex_);
    return triggers_.newStatus(kind);
}

int TSerialBaseDispatcher::ArmTimerTrigger(int handle, std::uint32_t ticks, bool activate) {
    const std::uint32_t now = tickFromMs(clock_->nowMs());
    std::lock_guard lk(mainMutex_);
    return triggers_.armTimer(handle, ticks, activate, now);
}

int TSerialBaseDispatcher::ArmStatusTrigger(int handle, std::uint32_t value, bool activate) {
    std::lock_guard lk(mainMutex_);
    return triggers_.armStatus(handle, value, activate, modem_);
}

int TSerialBaseDispatcher::DropTrigger(int handle) {
    std::lock_guard lk(mainMutex_);
    return triggers_.drop(handle);
}

std::uint16_t TSerialBaseDispatcher::AvailThreshold() const {
    std::lock_guard lk(mainMutex_);
    return triggers_.availThreshold();
}

void TSerialBaseDispatcher::setAvailThreshold(std::uint16_t threshold) {
    std::lock_guard lk(mainMutex_);
    triggers_.setAvailThreshold(threshold);
}

SavedTriggers TSerialBaseDispatcher::saveTriggers() const {
    std::lock_guard lk(mainMutex_);
    return triggers_.save();
}

void TSerialBaseDispatcher::restoreTriggers(const SavedTriggers& saved) {
    std::lock_guard lk(mainMutex_);
    triggers_.restore(saved);
}

int TSerialBaseDispatcher::registerReceiver(EventReceiver receiver) {
    auto r = std::make_shared<Receiver>();
    r->fn = std::move(receiver);
    std::lock_guard lk(mainMutex_);
    r->id = nextReceiverId_++;
    receivers_.push_back(r);
    ServiceNeeded = receivers_.size() > 1 || PortHandlerSet;
    return r->id;
}

void TSerialBaseDispatcher::unregisterReceiver(int id) {
    std::lock_guard lk(mainMutex_);
    for (auto& r : receivers_)
        if (r->id == id) r->removed = true;
    if (Delivering.load()) {
        RemovalPending = true;
        return;
    }
    std::erase_if(receivers_, [](const auto& r) { return r->removed.load(); });
    ServiceNeeded = receivers_.size() > 1 || PortHandlerSet;
}

void TSerialBaseDispatcher::setPortHandlerSet(bool set) {
    std::lock_guard lk(mainMutex_);
    PortHandlerSet = set;
    ServiceNeeded = receivers_.size() > 1 || PortHandlerSet;
}

bool TSerialBaseDispatcher::portHandlerSet() const {
    std::lock_guard lk(mainMutex_);
    return PortHandlerSet;
}

}  // namespace vos::serial
