// The status-light controller on a real port component over a
// pseudo-terminal (reached through a private program folder's Ports/COM1).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <cstdint>
#include <vector>

#include "platform/qt/form.h"
#include "serial/core/serial_errors.h"
#include "serial/port_component.h"
#include "serial/sl_controller.h"
#include "serial/status_light.h"
#include "tests/support/pty.h"
#include "tests/support/qt/gui_test_support.h"

namespace vos {
namespace {

// Stand-ins for the main window's PortTriggerAvail and PortTriggerTimer.
struct MainAvail {
    std::vector<std::uint8_t>* received;
    std::vector<bool>* rxdLitOnEntry;
    const serial::TSerialStatusLight* rxd;
    void operator()(serial::TSerialComPort& cp, std::uint16_t count) const {
        rxdLitOnEntry->push_back(rxd->Lit());
        for (std::uint16_t i = 0; i < count; ++i) received->push_back(cp.TakeByte());
    }
};

struct MainTimer {
    std::vector<std::uint16_t>* expired;
    void operator()(serial::TSerialComPort& cp, std::uint16_t handle) const {
        expired->push_back(handle);
        cp.ArmTimerTrigger(handle, 2, true);  // the main window's re-arm for 2 ticks
    }
};

struct StatusProbe {
    std::vector<bool>* txdLitOnEntry;
    const serial::TSerialStatusLight* txd;
    void operator()(serial::TSerialComPort&, std::uint16_t) const { txdLitOnEntry->push_back(txd->Lit()); }
};

// The wiring the main window makes: the controller sees each event first,
// then the window's own handler. Functor types, so a test can tell by
// target<>() that the port still holds them (the controller never replaces
// them).
struct WiredAvail {
    serial::TSerialSLController* controller;
    MainAvail main;
    void operator()(serial::TSerialComPort& cp, std::uint16_t n) const {
        controller->TriggerAvail(cp, n);
        main(cp, n);
    }
};

struct WiredTimer {
    serial::TSerialSLController* controller;
    MainTimer main;
    void operator()(serial::TSerialComPort& cp, std::uint16_t h) const {
        controller->TriggerTimer(cp, h);
        main(cp, h);
    }
};

struct WiredStatus {
    serial::TSerialSLController* controller;
    StatusProbe probe;
    void operator()(serial::TSerialComPort& cp, std::uint16_t h) const {
        controller->TriggerStatus(cp, h);
        if (probe.txdLitOnEntry) probe(cp, h);
    }
};

class ControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.linkPort(1, pty.slavePath());
        port.setComNumber(1);
        port.setBaud(9600);
        port.setAutoOpen(false);
        port.OnTriggerAvail = WiredAvail{&controller, MainAvail{&received, &rxdLitOnEntry, &rxd}};
        port.OnTriggerTimer = WiredTimer{&controller, MainTimer{&expired}};
        port.OnTriggerStatus = WiredStatus{&controller, StatusProbe{nullptr, &txd}};
        serial::TLightSet set;
        set.TXDLight = &txd;
        set.RXDLight = &rxd;
        controller.setLights(set);
    }

    bool wiringKept() const {
        return port.OnTriggerAvail.target<WiredAvail>() && port.OnTriggerTimer.target<WiredTimer>() &&
               port.OnTriggerStatus.target<WiredStatus>();
    }

    test::PtyPair pty;
    test::ProgramFolder folder;
    Form form{"Form1", FormStyle::Borderless};
    serial::TSerialStatusLight txd{form, "TXDLight"};
    serial::TSerialStatusLight rxd{form, "RXDLight"};
    serial::TSerialComPort port{folder.path()};
    serial::TSerialSLController controller{&port};

    std::vector<std::uint8_t> received;
    std::vector<bool> rxdLitOnEntry;
    std::vector<std::uint16_t> expired;
};

TEST_F(ControllerTest, ActivationWaitsForTheOpenAndFollowsCloseAndReopen) {
    controller.setLightsActive(true);  // port closed: only the wish is kept
    EXPECT_FALSE(controller.LightsActive());
    EXPECT_TRUE(controller.pending());
    EXPECT_TRUE(wiringKept());
    EXPECT_EQ(controller.handles(), serial::TSerialSLController::Handles{});

    port.setOpen(true);
    EXPECT_TRUE(controller.LightsActive());
    EXPECT_FALSE(controller.pending());
    EXPECT_TRUE(wiringKept());
    const auto h = controller.handles();
    // RXD timer, output-sent status trigger (kind 5), TXD timer, in that order.
    ASSERT_NE(h.rxdTimer, 0);
    ASSERT_NE(h.outSent, 0);
    ASSERT_NE(h.txdTimer, 0);
    EXPECT_EQ(h.outSent & 7, 5);
    EXPECT_LT(h.rxdTimer, h.outSent & ~7);
    EXPECT_LT(h.outSent & ~7, h.txdTimer);
    for (std::uint16_t other : {h.modemStatus, h.lineError, h.breakStatus, h.errorTimer, h.breakTimer, h.ringTimer})
        EXPECT_EQ(other, 0);

    port.setOpen(false);
    EXPECT_FALSE(controller.LightsActive());
    EXPECT_TRUE(controller.pending());  // active again at the next open
    EXPECT_TRUE(wiringKept());

    port.setOpen(true);
    EXPECT_TRUE(controller.LightsActive());
    EXPECT_TRUE(wiringKept());
    // The triggers the port kept across the close were dropped before the
    // new ones were made, so the same handles come back, each once.
    EXPECT_EQ(controller.handles(), h);
    controller.setLightsActive(false);
    EXPECT_THROW(port.ArmTimerTrigger(h.rxdTimer, 1, true), serial::EBadTriggerHandle);
    EXPECT_THROW(port.ArmTimerTrigger(h.txdTimer, 1, true), serial::EBadTriggerHandle);
}

// With every slot filled: one trigger per need, made in the order modem
// lines (+ RING timer), line error + ERROR timer, break + BREAK timer, RXD
// timer, output sent + TXD timer; the status kinds ride in the low bits.
TEST_F(ControllerTest, EveryLightGetsItsTriggersInOrder) {
    serial::TSerialStatusLight cts{form, "CTSLight"}, dsr{form, "DSRLight"}, dcd{form, "DCDLight"},
        ring{form, "RINGLight"}, error{form, "ERRORLight"}, brk{form, "BREAKLight"};
    struct Forget {  // the lights above go before the controller does
        serial::TSerialSLController& c;
        ~Forget() { c.setLights(serial::TLightSet{}); }
    } forget{controller};
    controller.setLights(serial::TLightSet{&cts, &dsr, &dcd, &ring, &txd, &rxd, &error, &brk});
    for (serial::TSerialStatusLight* l : {&cts, &dsr, &dcd, &ring, &txd, &rxd, &error, &brk}) l->setLit(true);
    port.setOpen(true);
    controller.setLightsActive(true);

    const auto h = controller.handles();
    const std::pair<std::uint16_t, int> inOrder[] = {
        {h.modemStatus, 1}, {h.ringTimer, 0}, {h.lineError, 2}, {h.errorTimer, 0}, {h.breakStatus, 2},
        {h.breakTimer, 0},  {h.rxdTimer, 0},  {h.outSent, 5},   {h.txdTimer, 0}};
    int previous = 0;
    for (const auto& [handle, kind] : inOrder) {
        ASSERT_NE(handle, 0);
        EXPECT_EQ(handle & 7, kind) << handle;
        EXPECT_GT(handle & ~7, previous) << handle;
        previous = handle & ~7;
    }
    // Every light starts off; the modem lights show the lines, which a
    // pseudo-terminal reads as off.
    for (serial::TSerialStatusLight* l : {&cts, &dsr, &dcd, &ring, &txd, &rxd, &error, &brk})
        EXPECT_FALSE(l->Lit()) << l->control().name();

    controller.setLightsActive(false);
    for (const auto& entry : inOrder) {
        const std::uint16_t handle = entry.first;
        if (entry.second == 0)
            EXPECT_THROW(port.ArmTimerTrigger(handle, 1, true), serial::EBadTriggerHandle) << handle;
        else
            EXPECT_THROW(port.ArmStatusTrigger(handle, 1, true), serial::EBadTriggerHandle) << handle;
    }
}

TEST_F(ControllerTest, SecondActivationInstallsOnceAndDeactivationRestores) {
    port.setOpen(true);
    controller.setLightsActive(true);
    const auto h = controller.handles();
    controller.setLightsActive(true);
    EXPECT_EQ(controller.handles(), h);
    txd.setLit(true);
    rxd.setLit(true);

    controller.setLightsActive(false);
    EXPECT_FALSE(controller.LightsActive());
    EXPECT_TRUE(wiringKept());
    EXPECT_FALSE(txd.Lit());
    EXPECT_FALSE(rxd.Lit());
    EXPECT_EQ(controller.handles(), serial::TSerialSLController::Handles{});
    // Its triggers are gone from the port.
    EXPECT_THROW(port.ArmTimerTrigger(h.rxdTimer, 1, true), serial::EBadTriggerHandle);
    EXPECT_THROW(port.ArmTimerTrigger(h.txdTimer, 1, true), serial::EBadTriggerHandle);
    EXPECT_THROW(port.ArmStatusTrigger(h.outSent, 0, true), serial::EBadTriggerHandle);
}

TEST_F(ControllerTest, FalseOnAClosedPortWithdrawsThePendingWish) {
    controller.setLightsActive(true);
    ASSERT_TRUE(controller.pending());
    controller.setLightsActive(false);
    EXPECT_FALSE(controller.pending());
    port.setOpen(true);
    EXPECT_FALSE(controller.LightsActive());
    EXPECT_TRUE(wiringKept());
}

TEST_F(ControllerTest, NoPortRaisesPortNotAssigned) {
    serial::TSerialSLController alone;
    try {
        alone.setLightsActive(true);
        FAIL() << "no exception";
    } catch (const serial::EPortNotAssigned& e) {
        EXPECT_STREQ(e.what(), "ComPort component not assigned");
    }
    EXPECT_FALSE(alone.LightsActive());
}

// Trigger slots exhausted: the activation fails half-way and is undone
// completely (triggers dropped, inactive), then works once
// slots are free again.
TEST_F(ControllerTest, FailedActivationIsUndone) {
    port.setOpen(true);
    std::vector<std::uint16_t> mine;
    for (int i = 0; i < 4094; ++i) mine.push_back(port.NewTimerTrigger());
    const std::uint16_t rxdWouldBe = static_cast<std::uint16_t>(mine.back() + 8);

    EXPECT_THROW(controller.setLightsActive(true), serial::ENoMoreTriggers);
    EXPECT_FALSE(controller.LightsActive());
    EXPECT_TRUE(wiringKept());
    EXPECT_EQ(controller.handles(), serial::TSerialSLController::Handles{});
    EXPECT_THROW(port.ArmTimerTrigger(rxdWouldBe, 1, true), serial::EBadTriggerHandle);  // dropped

    for (int i = 0; i < 3; ++i) port.DropTrigger(mine[static_cast<std::size_t>(i)]);
    controller.setLightsActive(true);
    EXPECT_TRUE(controller.LightsActive());
    EXPECT_TRUE(wiringKept());
}

TEST_F(ControllerTest, OneByteLightsRxdWhichGoesOffAgain) {
    port.setOpen(true);
    controller.setLightsActive(true);
    const std::uint16_t rxdTimer = controller.handles().rxdTimer;

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        received.clear();
        rxdLitOnEntry.clear();
        ASSERT_TRUE(pty.write(std::vector<std::uint8_t>{0x41}));
        ASSERT_TRUE(test::waitUntil([&] { return !received.empty(); }));
        QElapsedTimer sinceArrival;
        sinceArrival.start();
        EXPECT_EQ(received, std::vector<std::uint8_t>{0x41});
        ASSERT_EQ(rxdLitOnEntry.size(), 1u);
        EXPECT_TRUE(rxdLitOnEntry[0]);  // lit before the main window's handler ran
        ASSERT_TRUE(test::waitUntil([&] { return !rxd.Lit(); }));
        // Nominally 55 to 215 ms; loose here, the machine may be loaded.
        EXPECT_LT(sinceArrival.elapsed(), 5000);
        std::printf("RXD off %lld ms after the byte was handed over\n",
                    static_cast<long long>(sinceArrival.elapsed()));
        EXPECT_FALSE(txd.Lit());
    }
    // The RXD timer passed on to the main window, which re-armed it.
    EXPECT_NE(std::find(expired.begin(), expired.end(), rxdTimer), expired.end());
}

TEST_F(ControllerTest, SentByteLightsTxdWhichGoesOffAgain) {
    std::vector<bool> txdLitOnStatus;
    port.OnTriggerStatus = WiredStatus{&controller, StatusProbe{&txdLitOnStatus, &txd}};
    port.setOpen(true);
    controller.setLightsActive(true);

    const std::uint8_t key = 0x9B;
    port.SendBlock(&key, 1);
    EXPECT_EQ(pty.read(1), std::vector<std::uint8_t>{key});
    ASSERT_TRUE(test::waitUntil([&] { return !txdLitOnStatus.empty(); }));
    EXPECT_TRUE(txdLitOnStatus[0]);  // lit before the window's status handler ran
    ASSERT_TRUE(test::waitUntil([&] { return !txd.Lit(); }));
    EXPECT_FALSE(rxd.Lit());

    // The output-sent trigger was armed again: the next write lights it again.
    txdLitOnStatus.clear();
    port.SendBlock(&key, 1);
    EXPECT_EQ(pty.read(1), std::vector<std::uint8_t>{key});
    ASSERT_TRUE(test::waitUntil([&] { return !txdLitOnStatus.empty(); }));
    EXPECT_TRUE(txdLitOnStatus[0]);
    ASSERT_TRUE(test::waitUntil([&] { return !txd.Lit(); }));
}

}  // namespace
}  // namespace vos
