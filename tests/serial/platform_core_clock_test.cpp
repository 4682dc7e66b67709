// The 55-ms tick arithmetic, including the wrap of the millisecond clock.
#include <gtest/gtest.h>

#include "platform/core/clock.h"

namespace vos {
namespace {

TEST(Ticks, TickIsMillisecondsDividedBy55) {
    EXPECT_EQ(tickFromMs(0), 0u);
    EXPECT_EQ(tickFromMs(54), 0u);
    EXPECT_EQ(tickFromMs(55), 1u);
    EXPECT_EQ(tickFromMs(110), 2u);
    EXPECT_EQ(tickFromMs(UINT32_MAX), kTickPeriod - 1);
}

TEST(Ticks, TimerExpiresOnceExpiryIsStrictlyBelowNow) {
    const struct {
        std::uint32_t start, duration, now;
        bool expired;
    } rows[] = {
        {100, 1, 100, false}, {100, 1, 101, false}, {100, 1, 102, true},
        {100, 2, 102, false}, {100, 2, 103, true},  {100, 0, 101, true},
        {0, 36, 36, false},   {0, 36, 37, true},
    };
    for (const auto& r : rows)
        EXPECT_EQ(tickTimerExpired(startTickTimer(r.start, r.duration), r.now), r.expired)
            << r.start << "+" << r.duration << " at " << r.now;
}

TEST(Ticks, DurationIsCappedAt39045157) {
    const TickTimer t = startTickTimer(10, UINT32_MAX);
    EXPECT_EQ(t.expiry, 10u + kMaxTimerTicks);
    EXPECT_FALSE(tickTimerExpired(t, 10 + kMaxTimerTicks));
    EXPECT_TRUE(tickTimerExpired(t, 11 + kMaxTimerTicks));
}

TEST(Ticks, TimerStartedBeforeTheWrapExpiresAfterIt) {
    const std::uint32_t last = kTickPeriod - 1;  // the last tick before the wrap
    const TickTimer t = startTickTimer(last - 1, 3);  // expires after 3 whole ticks
    EXPECT_FALSE(tickTimerExpired(t, last));
    EXPECT_FALSE(tickTimerExpired(t, 0));  // 2 ticks after the start
    EXPECT_FALSE(tickTimerExpired(t, 1));  // 3 ticks
    EXPECT_TRUE(tickTimerExpired(t, 2));   // 4 ticks
    EXPECT_TRUE(tickTimerExpired(t, 1000));
}

TEST(Ticks, LongTimerAcrossTheWrapKeepsItsLength) {
    const TickTimer t = startTickTimer(kTickPeriod - 1000, 5000);
    EXPECT_FALSE(tickTimerExpired(t, 3000));  // 4000 ticks elapsed
    EXPECT_FALSE(tickTimerExpired(t, 4000));  // 5000 ticks
    EXPECT_TRUE(tickTimerExpired(t, 4001));
}

TEST(ManualClock, MovesOnlyWhenTold) {
    ManualClock clock(UINT32_MAX - 10);
    EXPECT_EQ(clock.nowMs(), UINT32_MAX - 10);
    clock.advanceMs(20);
    EXPECT_EQ(clock.nowMs(), 9u);  // wrapped like the real clock
    clock.setMs(550);
    EXPECT_EQ(tickFromMs(clock.nowMs()), 10u);
}

}  // namespace
}  // namespace vos
