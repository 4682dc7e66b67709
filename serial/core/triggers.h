#pragma once
// The trigger lists of a dispatcher: timer triggers, status triggers, data
// triggers (kept for saving and restoring, never created by this system) and
// the data-availability threshold (`AvailThreshold`, addressed as handle 1).
//
// Not thread-safe: the dispatcher guards it with its main lock.
//
// Handles: a counter gives 8, 16, 24, ... up to 4095 x 8; after that the
// smallest multiple of 8 that no trigger uses is taken, provided it is at most
// 4096, else creation fails with kNoMoreTriggers. A status trigger's handle
// carries its kind (1 to 5) in the low 3 bits.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/clock.h"

namespace vos::serial {

struct TimerTrigger {
    std::uint16_t handle = 0;
    TickTimer timer;
    std::uint32_t duration = 0;  // ticks
    bool active = false;
};

struct StatusTrigger {
    std::uint16_t handle = 0;
    std::uint8_t kind = 0;
    std::uint32_t value = 0;
    std::uint8_t modemAtArming = 0;  // kind 1: the modem status when armed
    bool active = false;
    bool hit = false;
};

struct DataTrigger {
    std::uint16_t handle = 0;
    std::string match;
    std::uint32_t state = 0;
};

// A deep copy of the trigger lists and the threshold (the port component keeps
// one across a close and reopen).
struct SavedTriggers {
    std::vector<TimerTrigger> timers;
    std::vector<StatusTrigger> statuses;
    std::vector<DataTrigger> data;
    std::uint16_t availThreshold = 1;
};

// What the status conditions look at.
struct StatusInputs {
    std::uint8_t modem = 0;       // lines (upper nibble) and change bits (lower nibble)
    std::int32_t lineErrors = 0;  // -1 after a device failure
    std::size_t outFree = 0;
    std::size_t outUsed = 0;
    bool sent = false;
};

struct FiredStatus {
    std::uint16_t handle = 0;
    std::uint8_t kind = 0;
    std::uint16_t value = 0;  // free or used count for kinds 3 and 4
};

inline constexpr std::uint16_t kAvailHandle = 1;

class TriggerSet {
public:
    // Drops every trigger; the handle counter restarts (next handle 8).
    void clear();

    int newTimer();              // handle or kNoMoreTriggers
    int newStatus(int kind);     // handle, kBadArgument or kNoMoreTriggers
    // 0 or kBadTriggerHandle. Activating restarts the timer at `nowTick` with
    // `ticks` (0 keeps the previous duration, capped at kMaxTimerTicks).
    int armTimer(int handle, std::uint32_t ticks, bool activate, std::uint32_t nowTick);
    int armStatus(int handle, std::uint32_t value, bool activate, std::uint8_t modemNow);
    // 0 or kBadTriggerHandle; handle 1 sets the threshold to 0.
    int drop(int handle);

    std::uint16_t availThreshold() const { return availThreshold_; }
    void setAvailThreshold(std::uint16_t v) { availThreshold_ = v; }

    SavedTriggers save() const;
    // Replaces the lists and the threshold; the handle counter is unchanged.
    void restore(const SavedTriggers& saved);

    // The first active, not yet hit status trigger whose condition holds is
    // deactivated, marked hit and returned. Firing an output-sent trigger
    // clears inputs.sent (the caller consumes its flag then).
    std::optional<FiredStatus> takeFiredStatus(StatusInputs& inputs);
    // The first active timer that has expired at `nowTick` is deactivated and
    // its handle returned.
    std::optional<std::uint16_t> takeExpiredTimer(std::uint32_t nowTick);
    // Clears the hit marks; true when any was set.
    bool resetHits();
    // Activates again a trigger whose event was never handled (the GUI thread
    // did not take it in time): an expired timer fires at the next check, a
    // status trigger once its hit mark is cleared. False for an unknown handle.
    bool reactivate(std::uint16_t handle);

    const std::vector<TimerTrigger>& timers() const { return timers_; }
    const std::vector<StatusTrigger>& statuses() const { return statuses_; }

private:
    int nextHandle();
    bool handleInUse(std::uint16_t base) const;

    std::vector<TimerTrigger> timers_;
    std::vector<StatusTrigger> statuses_;
    std::vector<DataTrigger> data_;
    std::uint16_t availThreshold_ = 1;
    std::uint32_t counter_ = 1;
};

// Whether a status trigger's condition holds for `in`.
bool statusConditionHolds(const StatusTrigger& t, const StatusInputs& in);

}  // namespace vos::serial
