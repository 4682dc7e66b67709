// Faults of the hand-over of port events to the GUI thread, under the real
// program: the GUI thread blocked longer than the dispatcher waits for it
// (3000 ms), and the port stopped while a delivery is blocked, either still
// waiting for the GUI thread or stuck inside its handler (a modal box's
// nested loop). No byte that reached the program is lost or shown twice,
// nothing hangs, and the link works afterwards.
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "tests/faults/faults_fixture.h"

namespace vos::test {
namespace {

using namespace std::chrono_literals;

// Waits for `cond` while the GUI thread serves nothing (it is "blocked").
bool holdUntil(const std::function<bool()>& cond, std::chrono::milliseconds limit = 20s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() >= end) return cond();
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

std::string blanksAfter(const std::string& text) { return text + std::string(480 - text.size(), ' '); }


using DeliveryFaults = ProgramFixture;

// The dispatcher gives up on an event the GUI thread does not take within
// 3000 ms: that event never runs, the bytes stay unread in the input ring and
// the next arrival announces them together with the new ones.
TEST_F(DeliveryFaults, TheGuiThreadBlockedLongerThanTheDispatcherWaits) {
    Peer& peer = addPeer(1);
    app::TForm1& f = start();
    ASSERT_TRUE(pageShown(peer, ""));

    ASSERT_TRUE(peer.send(controlText("ABC")));
    // The bytes reached the input ring: their event now waits for the GUI
    // thread, which stays blocked well past the dispatcher's limit.
    ASSERT_TRUE(holdUntil([&] { return port().InputCount() == 3; }));
    std::this_thread::sleep_for(5000ms);

    serveEventsFor(1000ms);  // the abandoned event must not run late
    EXPECT_EQ(screenContents(f), blanksAfter(""));
    EXPECT_EQ(port().InputCount(), 3u);

    ASSERT_TRUE(peer.send(controlText("D")));
    EXPECT_TRUE(waitUntil([&] { return screenContents(f) == blanksAfter("ABCD"); }))
        << "[" << screenContents(f) << "]";
    EXPECT_EQ(program().receiver().labelNbOctets().caption(), "4");
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    expectServing(peer, "APRES LE BLOCAGE", "0123456789");
}

// A timer event the dispatcher gives up on is handed over again once the GUI
// thread serves: the status-light controller keeps its TXD timer, and TXD does
// not stay lit for good after the GUI thread was blocked while it was on.
TEST_F(DeliveryFaults, TheLightsStillWorkAfterATimerEventWasGivenUp) {
    Peer& peer = addPeer(1);
    start();
    ASSERT_TRUE(pageShown(peer, ""));
    serial::TSerialStatusLight& txd = selection().TXDLight();
    ASSERT_TRUE(waitUntil([&] { return txd.Lit(); }));  // idle bytes flow: its timer is armed
    std::this_thread::sleep_for(5000ms);  // the timer fires, its event is given up
    serveEventsFor(500ms);
    expectLightsFollowTheLine(peer);
}

// The operator changes the port while an event waits for the GUI thread:
// the close serves that event (reads give 0 while the port shuts down), the
// new port opens, and neither terminal sees anything stale.
TEST_F(DeliveryFaults, APortChangeWhileAnEventWaitsForTheGuiThread) {
    Peer& first = addPeer(1);
    Peer& second = addPeer(2);
    app::TForm1& f = start();
    ASSERT_TRUE(pageShown(first, ""));

    ASSERT_TRUE(first.send(controlText("XYZ")));
    ASSERT_TRUE(holdUntil([&] { return port().InputCount() == 3; }));
    std::this_thread::sleep_for(200ms);  // the dispatcher is inside its hand-over now
    choosePort(2);
    EXPECT_EQ(port().ComNumber(), 2);
    ASSERT_TRUE(port().Open());
    EXPECT_EQ(screenContents(f), blanksAfter(""));  // the discarded bytes never show
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    expectServing(second, "SUR COM2", "ABCD");

    choosePort(1);
    ASSERT_TRUE(port().Open());
    expectServing(first, "RETOUR", "EFGH");
    EXPECT_EQ(first.keys().size(), 4u);
    EXPECT_EQ(second.keys().size(), 4u);
}

// A handler that is stuck in a nested loop (as under a modal box) while the
// operator stops the port from that loop. `stop` runs inside the nested loop.
class StopInsideADelivery : public ProgramFixture {
protected:
    void blockNextDelivery(std::function<void()> stop) {
        auto original = port().OnTriggerAvail;
        port().OnTriggerAvail = [this, original, stop](serial::TSerialComPort& cp, std::uint16_t count) {
            if (!armed_) return original(cp, count);
            armed_ = false;
            QEventLoop box;
            QTimer::singleShot(0, [&] { guarded(stop); });
            QTimer::singleShot(500, &box, &QEventLoop::quit);
            box.exec();
            stateInside_ = cp.PortState();
            original(cp, count);
        };
        armed_ = true;
    }

    bool armed_ = false;
    serial::TPortState stateInside_ = serial::psOpen;
};

TEST_F(StopInsideADelivery, ThePortClosedAndOpenedAgain) {
    Peer& peer = addPeer(1);
    app::TForm1& f = start();
    ASSERT_TRUE(pageShown(peer, "AVANT"));
    blockNextDelivery([&] { port().setOpen(false); });
    ASSERT_TRUE(peer.send(controlText("QRS")));
    ASSERT_TRUE(waitUntil([&] { return !armed_ && port().PortState() == serial::psClosed; }));
    EXPECT_EQ(stateInside_, serial::psShuttingDown);  // the close waited for the handler's end
    EXPECT_FALSE(port().Open());
    EXPECT_EQ(screenContents(f), blanksAfter("AVANT"));
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();

    guarded([&] { port().setOpen(true); });
    ASSERT_TRUE(port().Open());
    expectServing(peer, "ROUVERT", "0123");
}

TEST_F(StopInsideADelivery, APortChangeFromTheLinkControls) {
    Peer& first = addPeer(1);
    Peer& second = addPeer(2);
    app::TForm1& f = start();
    ASSERT_TRUE(pageShown(first, "AVANT"));
    blockNextDelivery([&] { choosePort(2); });
    ASSERT_TRUE(first.send(controlText("QRS")));
    // The change closes COM1 once the handler has returned, then opens COM2.
    ASSERT_TRUE(waitUntil([&] { return !armed_ && port().ComNumber() == 2 && port().PortState() == serial::psOpen; }));
    EXPECT_EQ(screenContents(f), blanksAfter("AVANT"));
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    expectServing(second, "SUR COM2", "5678");
    choosePort(1);
    expectServing(first, "RETOUR", "9ABC");
}

// The main window closed (as by "Fin") while the delivery is blocked: the
// close completes after the handler, the configuration is written back.
TEST_F(StopInsideADelivery, TheProgramClosed) {
    Peer& peer = addPeer(1);
    start();
    ASSERT_TRUE(pageShown(peer, ""));
    blockNextDelivery([&] { program().form().close(); });
    ASSERT_TRUE(peer.send(controlText("QRS")));
    ASSERT_TRUE(waitUntil([&] { return !armed_ && port().PortState() == serial::psClosed; }));
    EXPECT_FALSE(port().Open());
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    const std::string ini = test::Slurp(folder_.iniPath());
    EXPECT_NE(ini.find("Version=1.00"), std::string::npos) << ini;
}

}  // namespace
}  // namespace vos::test
