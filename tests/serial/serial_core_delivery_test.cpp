// Event delivery: triggers on a fake clock and on the output ring, the
// hand-over's time-out, receivers, and stopping around a delivery.
#include "tests/serial/serial_core_fixture.h"

namespace vos::test {
namespace {

using Delivery = PtyDispatcherTest;

TEST_F(Delivery, TimerTriggerOnTheFakeClockAcrossTheWrap) {
    ManualClock clock(UINT32_MAX - 110);  // tick 78090312, three ticks before the wrap
    // The dispatcher thread reads the clock until it stops: stop it before the clock goes.
    struct StopFirst {
        std::unique_ptr<serial::TSerialPlatformDispatcher>& p;
        ~StopFirst() { if (p) p->stop(); }
    } stopFirst{port};
    ASSERT_EQ(open(settings(), &clock), 0);
    const int h = port->NewTimerTrigger();
    ASSERT_EQ(h, 8);
    ASSERT_EQ(port->ArmTimerTrigger(h, 3, true), 0);
    clock.advanceMs(3 * kTickMs);  // wrapped: 3 ticks elapsed, not yet strictly past
    runCycles(3);
    EXPECT_EQ(countOf(serial::kEventTimer), 0u);
    clock.advanceMs(kTickMs);
    ASSERT_TRUE(pumpUntil([&] { return countOf(serial::kEventTimer) == 1; }));
    EXPECT_EQ(events.back().first, static_cast<std::uint32_t>(h));
    EXPECT_EQ(events.back().second & 0xFFFF, 0u);
    // Fired once: inactive until armed again; 0 ticks keeps the duration.
    clock.advanceMs(100 * kTickMs);
    runCycles(3);
    EXPECT_EQ(countOf(serial::kEventTimer), 1u);
    ASSERT_EQ(port->ArmTimerTrigger(h, 0, true), 0);
    clock.advanceMs(4 * kTickMs);
    ASSERT_TRUE(pumpUntil([&] { return countOf(serial::kEventTimer) == 2; }));
}

TEST_F(Delivery, HandleRulesThroughTheDispatcher) {
    ASSERT_EQ(open(), 0);
    EXPECT_EQ(port->NewTimerTrigger(), 8);
    EXPECT_EQ(port->NewTimerTrigger(), 16);
    EXPECT_EQ(port->NewStatusTrigger(serial::kStatusOutSent), 29);
    EXPECT_EQ(port->NewStatusTrigger(9), serial::kBadArgument);
    EXPECT_EQ(port->ArmTimerTrigger(29, 1, true), serial::kBadTriggerHandle);
    EXPECT_EQ(port->ArmStatusTrigger(8, 1, true), serial::kBadTriggerHandle);
    EXPECT_EQ(port->DropTrigger(1), 0);
    EXPECT_EQ(port->AvailThreshold(), 0);
    const serial::SavedTriggers saved = port->saveTriggers();
    port->stop();
    ASSERT_EQ(port->start(settings()), 0);
    EXPECT_EQ(port->NewTimerTrigger(), 8);  // cleared by the start
    port->restoreTriggers(saved);
    EXPECT_EQ(port->AvailThreshold(), 0);
    EXPECT_EQ(port->DropTrigger(29), 0);
    EXPECT_EQ(port->DropTrigger(29), serial::kBadTriggerHandle);
}

TEST_F(Delivery, ThresholdZeroRaisesNoDataEvent) {
    ASSERT_EQ(open(), 0);
    port->setAvailThreshold(0);
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{1, 2}));
    ASSERT_TRUE(pumpUntil([&] { return port->inputCount() == 2; }));
    runCycles(3);
    EXPECT_EQ(countOf(serial::kEventDataAvail), 0u);
    port->setAvailThreshold(3);
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{3}));
    ASSERT_TRUE(pumpUntil([&] { return countOf(serial::kEventDataAvail) == 1; }));
    EXPECT_EQ(events.back().first, 3u);
}

TEST_F(Delivery, OutputRingStatusKinds) {
    ASSERT_EQ(open(), 0);
    const int freeTrigger = port->NewStatusTrigger(serial::kStatusOutFree);
    const int usedTrigger = port->NewStatusTrigger(serial::kStatusOutUsed);
    const int sentTrigger = port->NewStatusTrigger(serial::kStatusOutSent);
    EXPECT_EQ(freeTrigger & 7, serial::kStatusOutFree);

    ASSERT_EQ(port->ArmStatusTrigger(freeTrigger, 200, true), 0);
    ASSERT_TRUE(pumpUntil([&] { return countOf(serial::kEventStatus) == 1; }));
    EXPECT_EQ(events.back().first, static_cast<std::uint32_t>(freeTrigger));
    EXPECT_EQ(events.back().second & 0xFFFF, 256u);  // free bytes

    ASSERT_EQ(port->ArmStatusTrigger(usedTrigger, 0, true), 0);
    ASSERT_TRUE(pumpUntil([&] { return countOf(serial::kEventStatus) == 2; }));
    EXPECT_EQ(events.back().first, static_cast<std::uint32_t>(usedTrigger));
    EXPECT_EQ(events.back().second & 0xFFFF, 0u);  // used bytes

    ASSERT_EQ(port->ArmStatusTrigger(sentTrigger, 0, true), 0);
    runCycles(3);
    EXPECT_EQ(countOf(serial::kEventStatus), 2u);  // nothing written yet
    const std::uint8_t byte = 0x55;
    ASSERT_EQ(port->writeBlock(&byte, 1), 0);
    ASSERT_TRUE(pumpUntil([&] { return countOf(serial::kEventStatus) == 3; }));
    EXPECT_EQ(events.back().first, static_cast<std::uint32_t>(sentTrigger));
    EXPECT_EQ(peer.read(1), std::vector<std::uint8_t>{0x55});
    // The firing consumed the sent flag: re-armed, it waits for the next write.
    ASSERT_EQ(port->ArmStatusTrigger(sentTrigger, 0, true), 0);
    runCycles(3);
    EXPECT_EQ(countOf(serial::kEventStatus), 3u);
    ASSERT_EQ(port->writeBlock(&byte, 1), 0);
    ASSERT_TRUE(pumpUntil([&] { return countOf(serial::kEventStatus) == 4; }));
}

TEST_F(Delivery, AGivenUpEventNeverRunsAndItsBytesAreAnnouncedAgain) {
    ASSERT_EQ(open(settings(), nullptr, /*deliveryTimeoutMs=*/100), 0);
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{1, 2}));
    // Nobody serves the GUI side: the dispatcher gives up.
    ASSERT_TRUE(waitUntil([&] { return gui.abandonedCount() == 1 && !port->deliveryRunning(); }));
    gui.pumpFor(50);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(port->inputCount(), 2);
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{3}));
    ASSERT_TRUE(pumpUntil([&] { return !events.empty(); }));
    EXPECT_EQ(events[0].first, 3u);
}

// The handler of a timer event is what arms its trigger again: an event given
// up on is handed over again once the GUI thread serves, so the timer does not
// stay off for good (a status light would stay lit).
TEST_F(Delivery, AGivenUpTimerEventIsHandedOverAgainLater) {
    ManualClock clock(1000);
    struct StopFirst {
        std::unique_ptr<serial::TSerialPlatformDispatcher>& p;
        ~StopFirst() { if (p) p->stop(); }
    } stopFirst{port};
    ASSERT_EQ(open(settings(), &clock, /*deliveryTimeoutMs=*/100), 0);
    const int h = port->NewTimerTrigger();
    ASSERT_EQ(port->ArmTimerTrigger(h, 2, true), 0);
    clock.advanceMs(3 * kTickMs);
    ASSERT_TRUE(waitUntil([&] { return gui.abandonedCount() >= 1; }));
    ASSERT_TRUE(pumpUntil([&] { return countOf(serial::kEventTimer) == 1; }));
    EXPECT_EQ(events.back().first, static_cast<std::uint32_t>(h));
    // Handled once: no further event until armed again.
    gui.pumpFor(200);
    EXPECT_EQ(countOf(serial::kEventTimer), 1u);
}

TEST_F(Delivery, EventsNeedAHandlerOrSeveralReceivers) {
    ASSERT_EQ(open(), 0);
    port->setPortHandlerSet(false);
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{1}));
    ASSERT_TRUE(waitUntil([&] { return port->inputCount() == 1; }));
    runCycles(3);
    EXPECT_TRUE(events.empty());

    // Two receivers: both get every event, in registration order.
    std::vector<int> order;
    const int second = port->registerReceiver([&](std::uint16_t, std::uint32_t, std::uint32_t) {
        order.push_back(2);
    });
    onEvent = [&](const Event&) { order.push_back(1); };
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{2}));
    ASSERT_TRUE(pumpUntil([&] { return order.size() == 2; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2}));

    // Unregistered inside a delivery: skipped at once, removed when it ends.
    onEvent = [&](const Event&) {
        order.push_back(1);
        port->unregisterReceiver(second);
    };
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{3}));
    ASSERT_TRUE(pumpUntil([&] { return order.size() == 3; }));
    ASSERT_TRUE(waitUntil([&] { return !port->deliveryRunning(); }));
    // Now a single receiver without handler flag: no more events.
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{4}));
    ASSERT_TRUE(waitUntil([&] { return port->inputCount() == 4; }));
    runCycles(3);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 1}));
}

TEST_F(Delivery, StopServesAPendingDeliveryAndJoinsEveryThread) {
    const int threadsBefore = baselineThreads();
    ASSERT_EQ(open(), 0);
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{7}));
    // The dispatcher thread now waits for the GUI thread.
    ASSERT_TRUE(waitUntil([&] { return gui.pendingCount() == 1; }));
    bool ranInsideStop = false;
    bool stopping = false;
    onEvent = [&](const Event&) { ranInsideStop = stopping; };
    stopping = true;
    port->stop();
    EXPECT_TRUE(ranInsideStop);
    EXPECT_EQ(events.size(), 1u);
    EXPECT_FALSE(port->started());
    EXPECT_FALSE(port->isDeviceOpen());
    EXPECT_FALSE(port->closeLater());
    EXPECT_TRUE(waitUntil([&] { return threadCount() == threadsBefore; }));
}

TEST_F(Delivery, StopFromInsideADeliveryClosesLater) {
    const int threadsBefore = baselineThreads();
    bool closeLaterInside = false;
    onEvent = [&](const Event&) {
        port->stop();
        closeLaterInside = port->closeLater();
        EXPECT_TRUE(port->deliveryRunning());
        EXPECT_FALSE(port->isDeviceOpen());
    };
    ASSERT_EQ(open(), 0);
    ASSERT_TRUE(peer.write(std::vector<std::uint8_t>{7}));
    ASSERT_TRUE(pumpUntil([&] { return !events.empty(); }));
    EXPECT_TRUE(closeLaterInside);
    // The dispatcher thread ends once the delivery has returned.
    ASSERT_TRUE(waitUntil([&] { return !port->deliveryRunning() && !port->started(); }));
    EXPECT_EQ(events.size(), 1u);
    port.reset();
    EXPECT_TRUE(waitUntil([&] { return threadCount() == threadsBefore; }));
}

TEST_F(Delivery, ReceiversAndOperationsAfterAStopAreHarmless) {
    ASSERT_EQ(open(), 0);
    port->stop();
    port->stop();  // nothing to do
    std::uint8_t b = 0;
    EXPECT_EQ(port->takeByte(b), serial::kBufferIsEmpty);
    EXPECT_EQ(port->writeBlock(&b, 1), serial::kOutputBufferTooSmall);
    EXPECT_EQ(port->inputCount(), 0);
    EXPECT_EQ(port->outputCount(), 0);
    EXPECT_EQ(port->setDtr(true), serial::kBadArgument);
    EXPECT_EQ(port->clearOutput(), 0);
    EXPECT_EQ(port->clearInput(), 0);
}

}  // namespace
}  // namespace vos::test
