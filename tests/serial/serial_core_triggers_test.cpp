// Trigger handles, arming, dropping, saving and the firing conditions.
#include <gtest/gtest.h>

#include "serial/core/serial_codes.h"
#include "serial/core/triggers.h"

namespace vos {
namespace {

TEST(Triggers, HandlesCountInEightsAndCarryTheStatusKind) {
    serial::TriggerSet t;
    EXPECT_EQ(t.newTimer(), 8);
    EXPECT_EQ(t.newTimer(), 16);
    EXPECT_EQ(t.newStatus(serial::kStatusOutSent), 29);
    EXPECT_EQ(t.newStatus(serial::kStatusModem), 33);
    EXPECT_EQ(t.newStatus(0), serial::kBadArgument);
    EXPECT_EQ(t.newStatus(6), serial::kBadArgument);
    t.clear();
    EXPECT_EQ(t.newTimer(), 8);  // the counter restarts
}

TEST(Triggers, AfterTheCounterTheSmallestFreeHandleUpTo4096IsReused) {
    serial::TriggerSet t;
    for (int i = 1; i <= 4095; ++i) ASSERT_EQ(t.newTimer(), 8 * i);
    EXPECT_EQ(t.newTimer(), serial::kNoMoreTriggers);  // every handle up to 4096 is taken
    ASSERT_EQ(t.drop(4000), 0);
    ASSERT_EQ(t.drop(24), 0);
    EXPECT_EQ(t.newStatus(serial::kStatusOutUsed), 24 + serial::kStatusOutUsed);  // the smallest free one
    EXPECT_EQ(t.newTimer(), 4000);
    EXPECT_EQ(t.newTimer(), serial::kNoMoreTriggers);
    ASSERT_EQ(t.drop(8000), 0);  // beyond 4096: never reused
    EXPECT_EQ(t.newTimer(), serial::kNoMoreTriggers);
}

TEST(Triggers, ArmAndDropNeedAHandleOfTheRightKind) {
    serial::TriggerSet t;
    const int timer = t.newTimer();
    const int status = t.newStatus(serial::kStatusOutFree);
    EXPECT_EQ(t.armTimer(timer, 2, true, 0), 0);
    EXPECT_EQ(t.armStatus(status, 10, true, 0), 0);
    EXPECT_EQ(t.armTimer(status, 2, true, 0), serial::kBadTriggerHandle);
    EXPECT_EQ(t.armStatus(timer, 10, true, 0), serial::kBadTriggerHandle);
    EXPECT_EQ(t.armStatus(status & ~7, 10, true, 0), serial::kBadTriggerHandle);
    EXPECT_EQ(t.armTimer(999, 2, true, 0), serial::kBadTriggerHandle);
    EXPECT_EQ(t.drop(timer), 0);
    EXPECT_EQ(t.drop(timer), serial::kBadTriggerHandle);
    EXPECT_EQ(t.drop(status), 0);
    EXPECT_EQ(t.availThreshold(), 1);
    EXPECT_EQ(t.drop(serial::kAvailHandle), 0);  // handle 1 is the threshold
    EXPECT_EQ(t.availThreshold(), 0);
}

TEST(Triggers, TimerFiresOnceAndKeepsItsDurationForARestart) {
    serial::TriggerSet t;
    const int h = t.newTimer();
    ASSERT_EQ(t.armTimer(h, 2, true, 100), 0);
    EXPECT_FALSE(t.takeExpiredTimer(102));
    EXPECT_EQ(t.takeExpiredTimer(103), std::optional<std::uint16_t>(h));
    EXPECT_FALSE(t.takeExpiredTimer(200));  // deactivated by firing
    ASSERT_EQ(t.armTimer(h, 0, true, 200), 0);  // 0 keeps the 2 ticks
    EXPECT_FALSE(t.takeExpiredTimer(202));
    EXPECT_TRUE(t.takeExpiredTimer(203));
    ASSERT_EQ(t.armTimer(h, 5, true, 300), 0);
    ASSERT_EQ(t.armTimer(h, 5, false, 300), 0);  // deactivated
    EXPECT_FALSE(t.takeExpiredTimer(400));
}

TEST(Triggers, SaveAndRestoreKeepHandlesButNotTheCounter) {
    serial::TriggerSet t;
    const int a = t.newTimer();                  // 8
    const int b = t.newStatus(serial::kStatusOutSent);   // 21
    t.armStatus(b, 0, true, 0);
    t.setAvailThreshold(3);
    const serial::SavedTriggers saved = t.save();
    t.clear();
    t.setAvailThreshold(1);
    t.restore(saved);
    EXPECT_EQ(t.availThreshold(), 3);
    ASSERT_EQ(t.timers().size(), 1u);
    EXPECT_EQ(t.timers()[0].handle, a);
    ASSERT_EQ(t.statuses().size(), 1u);
    EXPECT_TRUE(t.statuses()[0].active);
    // The counter restarted with clear(): a new trigger gets a restored handle again.
    EXPECT_EQ(t.newTimer(), 8);
    EXPECT_EQ(t.drop(8), 0);  // the first in list order: the restored one
    ASSERT_EQ(t.timers().size(), 1u);
    EXPECT_EQ(t.drop(8), 0);
    EXPECT_TRUE(t.timers().empty());
}

TEST(Triggers, StatusConditions) {
    const struct {
        int kind;
        std::uint32_t value;
        std::uint8_t modemAtArming;
        serial::StatusInputs in;
        bool holds;
    } rows[] = {
        {serial::kStatusModem, 0x10, 0x00, {0x10, 0, 0, 0, false}, true},    // CTS rose
        {serial::kStatusModem, 0x10, 0x10, {0x10, 0, 0, 0, false}, false},   // unchanged
        {serial::kStatusModem, 0x20, 0x00, {0x10, 0, 0, 0, false}, false},   // not selected
        {serial::kStatusModem, 0x04, 0x00, {0x04, 0, 0, 0, false}, true},    // ring ended
        {serial::kStatusLineError, 7, 0, {0, serial::kLineParity, 0, 0, false}, true},
        {serial::kStatusLineError, 8, 0, {0, serial::kLineParity, 0, 0, false}, false},
        {serial::kStatusLineError, 8, 0, {0, -1, 0, 0, false}, true},        // device failure
        {serial::kStatusOutFree, 100, 0, {0, 0, 100, 156, false}, true},
        {serial::kStatusOutFree, 100, 0, {0, 0, 99, 157, false}, false},
        {serial::kStatusOutUsed, 0, 0, {0, 0, 256, 0, false}, true},
        {serial::kStatusOutUsed, 0, 0, {0, 0, 255, 1, false}, false},
        {serial::kStatusOutSent, 0, 0, {0, 0, 0, 0, true}, true},
        {serial::kStatusOutSent, 0, 0, {0, 0, 0, 0, false}, false},
    };
    for (const auto& r : rows) {
        serial::StatusTrigger t;
        t.kind = static_cast<std::uint8_t>(r.kind);
        t.value = r.value;
        t.modemAtArming = r.modemAtArming;
        EXPECT_EQ(serial::statusConditionHolds(t, r.in), r.holds) << "kind " << r.kind << " value " << r.value;
    }
}

TEST(Triggers, FiredStatusIsDeactivatedMarkedAndReported) {
    serial::TriggerSet t;
    const int used = t.newStatus(serial::kStatusOutUsed);
    const int sent = t.newStatus(serial::kStatusOutSent);
    t.armStatus(used, 10, true, 0);
    t.armStatus(sent, 0, true, 0);
    serial::StatusInputs in{0, 0, 250, 6, true};
    auto first = t.takeFiredStatus(in);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->handle, used);
    EXPECT_EQ(first->value, 6);  // the used count
    auto second = t.takeFiredStatus(in);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->handle, sent);
    EXPECT_FALSE(in.sent);  // consumed
    EXPECT_FALSE(t.takeFiredStatus(in));
    // Re-armed while still marked hit: waits for the end of the cycle.
    t.armStatus(used, 10, true, 0);
    EXPECT_FALSE(t.takeFiredStatus(in));
    EXPECT_TRUE(t.resetHits());
    EXPECT_TRUE(t.takeFiredStatus(in));
}

}  // namespace
}  // namespace vos
