#pragma once
// Millisecond clock and the 55-ms tick arithmetic of the serial triggers and
// the status lights' time-outs.
//
// Everything that measures trigger time asks a Clock, so tests replace it with
// a ManualClock and run timer cases in simulated milliseconds. Both clocks are
// safe to read from any thread.
#include <atomic>
#include <cstdint>

namespace vos {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a monotonic clock, wrapping at 2^32 (about 49.7 days).
    virtual std::uint32_t nowMs() = 0;
};

// The system's monotonic clock (steady_clock), truncated to 32 bits.
class SteadyClock final : public Clock {
public:
    std::uint32_t nowMs() override;
};

// A clock that moves only when told to. Any thread may read or move it.
class ManualClock final : public Clock {
public:
    explicit ManualClock(std::uint32_t startMs = 0) : ms_(startMs) {}
    std::uint32_t nowMs() override { return ms_.load(); }
    void setMs(std::uint32_t ms) { ms_.store(ms); }
    void advanceMs(std::uint32_t delta) { ms_.fetch_add(delta); }

private:
    std::atomic<std::uint32_t> ms_;
};

inline constexpr std::uint32_t kTickMs = 55;
// Longest timer duration in ticks; a longer request is cut to this.
inline constexpr std::uint32_t kMaxTimerTicks = 39045157;
// Number of distinct tick values before the millisecond clock wraps
// (ticks run 0 .. 78090314, then start again at 0).
inline constexpr std::uint32_t kTickPeriod = UINT32_MAX / kTickMs + 1;

constexpr std::uint32_t tickFromMs(std::uint32_t ms) { return ms / kTickMs; }

// A running timer in ticks. `expiry` is start + duration without wrapping, so
// it may lie beyond the last tick value.
struct TickTimer {
    std::uint32_t start = 0;
    std::uint32_t expiry = 0;
};

constexpr TickTimer startTickTimer(std::uint32_t nowTick, std::uint32_t durationTicks) {
    if (durationTicks > kMaxTimerTicks) durationTicks = kMaxTimerTicks;
    return {nowTick, nowTick + durationTicks};
}

// Expired once the expiry tick lies strictly below the current tick. When the
// clock has wrapped since the start (now < start), the current tick counts one
// full tick period further on.
constexpr bool tickTimerExpired(const TickTimer& t, std::uint32_t nowTick) {
    if (nowTick >= t.start) return t.expiry < nowTick;
    return static_cast<std::uint64_t>(t.expiry) < static_cast<std::uint64_t>(nowTick) + kTickPeriod;
}

}  // namespace vos
