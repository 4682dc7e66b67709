// The dispatcher thread: cycles over the I/O queue, trigger checks and the
// synchronous delivery of events to the GUI thread.
#include <algorithm>

#include "serial/core/dispatcher_base.h"

namespace vos::serial {

namespace {

constexpr int kIdlePollMs = 50;

// Counts a delivery as running on the GUI thread for as long as its job runs,
// so that stop() called from inside it knows it must not wait for the
// dispatcher thread.
class JobScope {
public:
    explicit JobScope(std::atomic<int>& count) : count_(count) { ++count_; }
    ~JobScope() { --count_; }
    JobScope(const JobScope&) = delete;
    JobScope& operator=(const JobScope&) = delete;

private:
    std::atomic<int>& count_;
};

}  // namespace

void TSerialBaseDispatcher::dispatcherThreadBody() {
    threadBegins();
    bool progressed = false;
    for (;;) {
        // A cycle that moved something may have left records behind (the
        // ring filled up): look again at once. Otherwise sleep until a record
        // arrives or someone wakes us; never spin on records that cannot move.
        if (!(progressed && !queue_.empty()))
            waitAny({&queue_.appended(), &dispatcherWake_}, kIdlePollMs);
        if (StopThreads.load()) break;
        progressed = runCycle();
        if (!Delivering.load() && !CloseLater.load()) checkStatusAndTimers();
        if (StopThreads.load() || CloseLater.load()) break;
    }
    if (deviceFailed_.load() && !haltDeliveries()) {
        // A device failure: hand over what had arrived and let the
        // line-error triggers see the -1 before the thread ends.
        runCycle();
        checkStatusAndTimers();
    }
    threadEnded(0);
}

bool TSerialBaseDispatcher::runCycle() {
    bool progressed = false;
    std::uint32_t mask = 0;
    if (auto status = queue_.takeStatusAtHead()) {
        mask = *status;
        progressed = true;
    }
    if (mask & kDevRingMask) {
        std::lock_guard lk(mainMutex_);
        RingSeen = true;
    }
    if (mask & kDevModemMask) {
        refreshModemStatus();
        if (!Delivering.load())
            while (checkStatus()) {}
    }
    if (mask & kDevLineMask) {
        refreshLineErrors();
        if (!Delivering.load())
            while (checkStatus()) {}
    }
    if (moveInput()) progressed = true;
    if (queue_.takeOverflow()) noteInputOverrun();
    if (!Delivering.load()) {
        refreshModemStatus();
        while (checkStatus()) {}
        while (checkAvailability()) {}
    }
    {
        std::lock_guard lk(mainMutex_);
        triggers_.resetHits();
    }
    ++cycles_;
    return progressed;
}

bool TSerialBaseDispatcher::moveInput() {
    std::lock_guard lk(dataMutex_);
    if (inRing_.full()) return false;
    const std::size_t moved = queue_.moveInto(inRing_);
    arrivals_ += moved;
    return moved > 0;
}

void TSerialBaseDispatcher::refreshModemStatus() {
    std::lock_guard lk(mainMutex_);
    const std::uint8_t lines = deviceModemLines() & 0xF0;
    const std::uint8_t changed = lines ^ (modem_ & 0xF0);
    std::uint8_t deltas = 0;
    if (changed & kModemCts) deltas |= kModemDeltaCts;
    if (changed & kModemDsr) deltas |= kModemDeltaDsr;
    if (changed & kModemDcd) deltas |= kModemDeltaDcd;
    if (RingSeen) deltas |= kModemRingEnded;
    RingSeen = false;
    modem_ = static_cast<std::uint8_t>(lines | deltas);
}

// Bytes dropped at the I/O queue's bound are a receive overrun, as if the
// device had had no room for them (the line-error triggers then fire).
void TSerialBaseDispatcher::noteInputOverrun() {
    std::lock_guard lk(mainMutex_);
    if (lineErrors_ != -1) lineErrors_ |= kLineOverrun;
}

void TSerialBaseDispatcher::refreshLineErrors() {
    std::lock_guard lk(mainMutex_);
    const int fresh = deviceTakeLineErrors();
    if (lineErrors_ != -1) lineErrors_ |= fresh;
}

// One data-available event per arrival: its count covers every unread byte;
// bytes left unread are announced again after the next arrival. Arrivals are
// counted in bytes rather than by the head position, which comes back to the
// same place after exactly a ring's worth of input.
bool TSerialBaseDispatcher::checkAvailability() {
    if (haltDeliveries()) return false;
    std::uint16_t threshold;
    {
        std::lock_guard lk(mainMutex_);
        threshold = triggers_.availThreshold();
    }
    std::size_t available;
    {
        std::lock_guard lk(dataMutex_);
        available = inRing_.used() - (InAvailDelivery ? TakenCount : 0);
        if (threshold == 0 || arrivals_ == arrivalsAnnounced_ || available < threshold)
            return false;
        arrivalsAnnounced_ = arrivals_;
    }
    return deliver(kEventDataAvail, static_cast<std::uint32_t>(available), 0,
                   static_cast<std::uint32_t>(available));
}

bool TSerialBaseDispatcher::checkStatus() {
    if (haltDeliveries()) return false;
    StatusInputs in;
    {
        std::lock_guard lk(outMutex_);
        in.outUsed = outRing_.used();
        in.outFree = outRing_.freeSpace();
    }
    std::optional<FiredStatus> fired;
    {
        std::lock_guard lk(mainMutex_);
        in.modem = modem_;
        in.lineErrors = lineErrors_;
        in.sent = sent_.load();
        fired = triggers_.takeFiredStatus(in);
        if (fired && fired->kind == kStatusOutSent) sent_ = false;
    }
    if (!fired) return false;
    deliver(kEventStatus, fired->handle, fired->value, 0);
    if (lastGivenUp_) givenUp_.emplace_back(fired->handle, fired->kind == kStatusOutSent);
    return true;
}

bool TSerialBaseDispatcher::checkTimers() {
    if (haltDeliveries()) return false;
    const std::uint32_t now = tickFromMs(clock_->nowMs());
    std::optional<std::uint16_t> handle;
    {
        std::lock_guard lk(mainMutex_);
        handle = triggers_.takeExpiredTimer(now);
    }
    if (!handle) return false;
    deliver(kEventTimer, *handle, 0, 0);
    if (lastGivenUp_) givenUp_.emplace_back(*handle, false);
    return true;
}

void TSerialBaseDispatcher::checkStatusAndTimers() {
    while (!haltDeliveries()) {
        if (checkStatus()) continue;
        if (checkTimers()) continue;
        break;
    }
    rearmGivenUp();
}

// A timer or status event that the GUI thread did not take in time is handed
// over again from the next cycle on: otherwise its trigger, deactivated when it
// fired, would stay off for good (the handler that arms it again never ran),
// and a status light would stay lit. Not in the same round, so that a GUI
// thread that is still blocked does not hold the dispatcher in a loop of
// given-up deliveries while bytes wait to be moved.
void TSerialBaseDispatcher::rearmGivenUp() {
    if (givenUp_.empty()) return;
    std::lock_guard lk(mainMutex_);
    for (const auto& [handle, outputSent] : givenUp_)
        if (triggers_.reactivate(handle) && outputSent) sent_ = true;
    givenUp_.clear();
}

bool TSerialBaseDispatcher::deliver(std::uint16_t kind, std::uint32_t first, std::uint16_t value,
                                    std::uint32_t count) {
    std::vector<std::shared_ptr<Receiver>> targets;
    {
        std::lock_guard lk(mainMutex_);
        if (!ServiceNeeded) return true;
        Delivering = true;
        if (receivers_.size() > 1 || PortHandlerSet) targets = receivers_;
    }
    {
        std::lock_guard lk(dataMutex_);
        MaxTakenCount = 0;
        InAvailDelivery = (kind == kEventDataAvail || kind == kEventDataMatch);
    }
    const std::uint32_t second = (static_cast<std::uint32_t>(slot_) << 16) | value;
    lastGivenUp_ = false;
    for (const auto& r : targets) {
        if (CloseLater.load()) break;
        if (r->removed.load() || !handover_) continue;
        {
            std::lock_guard lk(dataMutex_);
            TakenCount = 0;
        }
        const bool handled = handover_->runSync(
            [this, &r, kind, first, second] {
                JobScope scope(jobsRunning_);
                r->fn(kind, first, second);
            },
            deliveryTimeoutMs_);
        if (!handled && !CloseLater.load()) lastGivenUp_ = true;
        std::lock_guard lk(dataMutex_);
        MaxTakenCount = std::max(MaxTakenCount, TakenCount);
    }
    bool result = !CloseLater.load();
    {
        std::lock_guard lk(dataMutex_);
        // Counted again in the same hold of the lock that moves the tail: a
        // byte the GUI thread takes between the event's return and here is
        // still taken in place, and must be passed over with the others.
        MaxTakenCount = std::max(MaxTakenCount, TakenCount);
        if (InAvailDelivery && result) {
            inRing_.advanceTail(MaxTakenCount);
            if (MaxTakenCount != count) result = false;
        }
        InAvailDelivery = false;
        TakenCount = 0;
    }
    finishDelivery();
    return result;
}

void TSerialBaseDispatcher::finishDelivery() {
    std::lock_guard lk(mainMutex_);
    Delivering = false;
    if (RemovalPending) {
        std::erase_if(receivers_, [](const auto& r) { return r->removed.load(); });
        RemovalPending = false;
        ServiceNeeded = receivers_.size() > 1 || PortHandlerSet;
    }
}

}  // namespace vos::serial
