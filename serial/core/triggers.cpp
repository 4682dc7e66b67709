#include "serial/core/triggers.h"

#include <algorithm>

#include "serial/core/serial_codes.h"

namespace vos::serial {

namespace {

constexpr std::uint32_t kCounterLimit = 4095;
constexpr std::uint16_t kReuseLimit = 4096;
constexpr std::uint16_t kKindBits = 0x7;

template <class T>
T* findHandle(std::vector<T>& list, int handle) {
    auto it = std::find_if(list.begin(), list.end(), [&](const T& t) { return t.handle == handle; });
    return it == list.end() ? nullptr : &*it;
}

}  // namespace

void TriggerSet::clear() {
    timers_.clear();
    statuses_.clear();
    data_.clear();
    counter_ = 1;
}

bool TriggerSet::handleInUse(std::uint16_t base) const {
    const auto uses = [base](const auto& t) { return (t.handle & ~kKindBits) == base; };
    return std::any_of(timers_.begin(), timers_.end(), uses) ||
           std::any_of(statuses_.begin(), statuses_.end(), uses) ||
           std::any_of(data_.begin(), data_.end(), uses);
}

int TriggerSet::nextHandle() {
    if (counter_ <= kCounterLimit) return static_cast<int>(8 * counter_++);
    for (std::uint16_t h = 8; h <= kReuseLimit; h += 8)
        if (!handleInUse(h)) return h;
    return kNoMoreTriggers;
}

int TriggerSet::newTimer() {
    const int h = nextHandle();
    if (h < 0) return h;
    timers_.push_back({static_cast<std::uint16_t>(h), {}, 0, false});
    return h;
}

int TriggerSet::newStatus(int kind) {
    if (kind < 1 || kind > kStatusKindCount) return kBadArgument;
    const int h = nextHandle();
    if (h < 0) return h;
    StatusTrigger t;
    t.handle = static_cast<std::uint16_t>(h + kind);
    t.kind = static_cast<std::uint8_t>(kind);
    statuses_.push_back(t);
    return t.handle;
}

int TriggerSet::armTimer(int handle, std::uint32_t ticks, bool activate, std::uint32_t nowTick) {
    TimerTrigger* t = findHandle(timers_, handle);
    if (!t) return kBadTriggerHandle;
    if (!activate) {
        t->active = false;
        return 0;
    }
    if (ticks != 0) t->duration = std::min(ticks, kMaxTimerTicks);
    t->timer = startTickTimer(nowTick, t->duration);
    t->active = true;
    return 0;
}

int TriggerSet::armStatus(int handle, std::uint32_t value, bool activate, std::uint8_t modemNow) {
    StatusTrigger* t = findHandle(statuses_, handle);
    if (!t) return kBadTriggerHandle;
    t->value = value;
    t->modemAtArming = modemNow;
    t->active = activate;
    return 0;
}

int TriggerSet::drop(int handle) {
    if (handle == kAvailHandle) {
        availThreshold_ = 0;
        return 0;
    }
    const auto same = [handle](const auto& t) { return t.handle == handle; };
    if (auto it = std::find_if(timers_.begin(), timers_.end(), same); it != timers_.end()) {
        timers_.erase(it);
        return 0;
    }
    if (auto it = std::find_if(statuses_.begin(), statuses_.end(), same); it != statuses_.end()) {
        statuses_.erase(it);
        return 0;
    }
    if (auto it = std::find_if(data_.begin(), data_.end(), same); it != data_.end()) {
        data_.erase(it);
        return 0;
    }
    return kBadTriggerHandle;
}

SavedTriggers TriggerSet::save() const { return {timers_, statuses_, data_, availThreshold_}; }

void TriggerSet::restore(const SavedTriggers& saved) {
    timers_ = saved.timers;
    statuses_ = saved.statuses;
    data_ = saved.data;
    availThreshold_ = saved.availThreshold;
}

bool statusConditionHolds(const StatusTrigger& t, const StatusInputs& in) {
    switch (t.kind) {
    case kStatusModem:
        // A selected line changed since arming, or a selected change bit is set.
        return ((in.modem ^ t.modemAtArming) & t.value & 0xF0) != 0 ||
               (in.modem & t.value & 0x0F) != 0;
    case kStatusLineError: return (static_cast<std::uint32_t>(in.lineErrors) & t.value) != 0;
    case kStatusOutFree: return in.outFree >= t.value;
    case kStatusOutUsed: return in.outUsed <= t.value;
    case kStatusOutSent: return in.sent;
    default: return false;
    }
}

std::optional<FiredStatus> TriggerSet::takeFiredStatus(StatusInputs& inputs) {
    for (auto& t : statuses_) {
        if (!t.active || t.hit || !statusConditionHolds(t, inputs)) continue;
        t.active = false;
        t.hit = true;
        FiredStatus fired{t.handle, t.kind, 0};
        if (t.kind == kStatusOutFree) fired.value = static_cast<std::uint16_t>(inputs.outFree);
        if (t.kind == kStatusOutUsed) fired.value = static_cast<std::uint16_t>(inputs.outUsed);
        if (t.kind == kStatusOutSent) inputs.sent = false;
        return fired;
    }
    return std::nullopt;
}

std::optional<std::uint16_t> TriggerSet::takeExpiredTimer(std::uint32_t nowTick) {
    for (auto& t : timers_) {
        if (t.active && tickTimerExpired(t.timer, nowTick)) {
            t.active = false;
            return t.handle;
        }
    }
    return std::nullopt;
}

bool TriggerSet::reactivate(std::uint16_t handle) {
    for (auto& t : timers_)
        if (t.handle == handle) return t.active = true;
    for (auto& t : statuses_)
        if (t.handle == handle) return t.active = true;
    return false;
}

bool TriggerSet::resetHits() {
    bool any = false;
    for (auto& t : statuses_) {
        any = any || t.hit;
        t.hit = false;
    }
    return any;
}

}  // namespace vos::serial
