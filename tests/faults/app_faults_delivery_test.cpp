// Faults of the hand-over of port events to the GUI thread, under the real
// program: the GUI thread blocked longer than the dispatcher waits for it
// (3000 ms), and the port changed or the program closed while a delivery
// waits for the GUI thread, which is in a nested loop (a modal box's). No
// byte that reached the program is shown twice, nothing hangs, and the link
// works afterwards.
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "panel/receiver.h"
#include "tests/support/main_window.h"

namespace vos::test {
namespace {

using namespace std::chrono_literals;

// The GUI thread serves nothing for a while (it is "blocked"): bytes the
// control sent meanwhile reach the input ring, and their event waits.
void hold(std::chrono::milliseconds d) { std::this_thread::sleep_for(d); }

std::string blanksAfter(const std::string& text) { return text + std::string(480 - text.size(), ' '); }


using DeliveryFaults = InstalledProgramTest;

// The dispatcher gives up on an event the GUI thread does not take within
// 3000 ms: that event never runs late, its bytes stay unread and the next
// arrival announces them together with the new ones. From outside: after the
// GUI thread was blocked far longer than that, every byte is shown exactly
// once (whether its event was given up or had run in time), and the link
// serves on.
TEST_F(DeliveryFaults, TheGuiThreadBlockedLongerThanTheDispatcherWaits) {
    Peer& peer = addPeer(1);
    app::TForm1& f = start();
    ASSERT_TRUE(pageShown(peer, ""));

    ASSERT_TRUE(peer.send(controlText("ABC")));
    hold(7000ms);  // well past the dispatcher's limit
    serveEventsFor(1000ms);
    ASSERT_TRUE(peer.send(controlText("D")));
    EXPECT_TRUE(waitUntil([&] { return screenContents(f) == blanksAfter("ABCD"); }))
        << "[" << screenContents(f) << "]";
    serveEventsFor(500ms);
    EXPECT_EQ(screenContents(f), blanksAfter("ABCD"));
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    expectServing(peer, "APRES LE BLOCAGE", "0123456789");
}

// The control floods the line while the GUI thread is blocked: what the
// input queue cannot hold (4 MiB) is dropped and told once, in French, and
// the link serves on.
TEST_F(DeliveryFaults, AFloodWhileTheGuiThreadIsBlockedIsDroppedAndToldOnce) {
    Peer& peer = addPeer(1);
    app::TForm1& f = start();
    ASSERT_TRUE(pageShown(peer, ""));
    const std::vector<std::uint8_t> blanks(6u << 20, controlText(" ")[0]);
    std::thread control([&] { EXPECT_TRUE(peer.send(blanks, 120000)); });
    control.join();  // all sent while the GUI thread took nothing
    ASSERT_TRUE(waitUntil([&] { return !recordedErrors().empty(); }, 60s));
    serveEventsFor(1000ms);
    ASSERT_EQ(recordedErrors().size(), 1u);
    EXPECT_NE(recordedErrors()[0].find("octets ont été perdus"), std::string::npos) << recordedErrors()[0];
    EXPECT_EQ(screenContents(f), blanksAfter(""));
    clearRecordedMessages();
    expectServing(peer, "APRES LE FLOT", "0123");
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
}

// A timer event the dispatcher gives up on is handed over again once the GUI
// thread serves: the status-light controller keeps its TXD timer, and TXD does
// not stay lit for good after the GUI thread was blocked while it was on.
TEST_F(DeliveryFaults, TheLightsStillWorkAfterATimerEventWasGivenUp) {
    Peer& peer = addPeer(1);
    start();
    ASSERT_TRUE(pageShown(peer, ""));
    ASSERT_TRUE(waitUntil([&] { return lit(design::linkbar::kTXDLight); }));  // idle bytes flow: its timer is armed
    hold(5000ms);  // the timer fires, its event is given up
    serveEventsFor(500ms);
    expectLightsFollowTheLine(peer);
}

// The operator changes the port while an event waits for the GUI thread: the
// open port goes on until the new one is open, so the waiting bytes show
// once, or are dropped with the old port if the new one opened first; then
// the new port serves, and neither terminal sees anything stale.
TEST_F(DeliveryFaults, APortChangeWhileAnEventWaitsForTheGuiThread) {
    Peer& first = addPeer(1);
    Peer& second = addPeer(2);
    app::TForm1& f = start();
    ASSERT_TRUE(pageShown(first, ""));

    ASSERT_TRUE(first.send(controlText("XYZ")));
    hold(300ms);  // the dispatcher is inside its hand-over now
    choosePort(2);
    ASSERT_TRUE(waitUntil([&] { return linkUp(2); })) << statusText();
    const std::string shown = screenContents(f);
    EXPECT_TRUE(shown == blanksAfter("XYZ") || shown == blanksAfter("")) << "[" << shown << "]";
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    expectServing(second, "SUR COM2", "ABCD");

    choosePort(1);
    ASSERT_TRUE(waitUntil([&] { return linkUp(1); })) << statusText();
    expectServing(first, "RETOUR", "EFGH");
    EXPECT_EQ(first.keys().size(), 4u);
    EXPECT_EQ(second.keys().size(), 4u);
}

// The GUI thread is inside a nested loop (as under a modal box) when the
// port's next event reaches it, and the operator acts from that loop: `act`
// runs inside it, before the event is handled.
class StopInsideADelivery : public InstalledProgramTest, public QObject {
protected:
    void TearDown() override {
        QCoreApplication::instance()->removeEventFilter(this);
        InstalledProgramTest::TearDown();
    }

    void blockNextDelivery(std::function<void()> act) {
        act_ = std::move(act);
        armed_ = true;
        QCoreApplication::instance()->installEventFilter(this);
    }

    // The serial hand-over's events are the program's only events of a
    // registered type (above QEvent::User).
    bool eventFilter(QObject*, QEvent* e) override {
        if (!armed_ || e->type() < QEvent::User) return false;
        armed_ = false;
        QEventLoop box;
        QTimer::singleShot(0, [&] { guarded(act_); });
        QTimer::singleShot(500, &box, &QEventLoop::quit);
        box.exec();
        return false;
    }

    bool armed_ = false;
    std::function<void()> act_;
};

TEST_F(StopInsideADelivery, APortChangeFromTheLinkControls) {
    Peer& first = addPeer(1);
    Peer& second = addPeer(2);
    app::TForm1& f = start();
    ASSERT_TRUE(pageShown(first, "AVANT"));
    blockNextDelivery([&] { choosePort(2); });
    ASSERT_TRUE(first.send(controlText("QRS")));
    ASSERT_TRUE(waitUntil([&] { return !armed_ && linkUp(2); })) << statusText();
    const std::string shown = screenContents(f);
    EXPECT_TRUE(shown == blanksAfter("AVANT") || shown == blanksAfter("AVANTQRS")) << "[" << shown << "]";
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    expectServing(second, "SUR COM2", "5678");
    choosePort(1);
    ASSERT_TRUE(waitUntil([&] { return linkUp(1); })) << statusText();
    expectServing(first, "RETOUR", "9ABC");
}

// The main window closed (as by "Fin") from that loop: the close completes,
// the configuration is written back and the line falls silent.
TEST_F(StopInsideADelivery, TheProgramClosed) {
    Peer& peer = addPeer(1);
    start();
    ASSERT_TRUE(pageShown(peer, ""));
    blockNextDelivery([&] { program().form().close(); });
    ASSERT_TRUE(peer.send(controlText("QRS")));
    ASSERT_TRUE(waitUntil([&] { return !armed_; }));
    EXPECT_TRUE(lineQuiet(peer));
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    const std::string ini = test::Slurp(installed().iniPath());
    EXPECT_NE(ini.find("Version=1.00"), std::string::npos) << ini;
}

}  // namespace
}  // namespace vos::test
