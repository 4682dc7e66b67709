// Faults of the serial link under the real program: the control hanging up
// (and coming back on a new pseudo-terminal) while bytes flow both ways, a
// hundred outages in a row, every kind of unusable port at start-up, and a
// port that another process holds, at start-up and at a port change. In
// each case the panel runs on, nothing that reached the program is lost or
// shown twice, and the link works again once the port is back.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/main_window.h"

namespace vos::test {
namespace {

// 400 distinct-looking characters the screen shows as they are (no "O",
// which the screen shows as "Ø").
std::string pattern(std::size_t n) {
    static const std::string alphabet = "ABCDEFGHIJKLMNPQRSTUVWXYZ0123456789abcdefghijklmnopqrstuvwxyz";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += alphabet[(i * 7 + i / alphabet.size()) % alphabet.size()];
    return s;
}

bool allSay(const std::vector<std::string>& errors, const std::string& text) {
    return !errors.empty() &&
           std::all_of(errors.begin(), errors.end(), [&](const std::string& e) { return e == text; });
}

const std::string kAlreadyOpen = "ie_Open - device already open";

using LinkFaults = InstalledProgramTest;

// The control hangs up in the middle of a page while the program sends its
// idle bytes. The screen keeps exactly a prefix of what was sent; the program
// goes on without an error box; choosing another port and then COM1 again
// (now a new pseudo-terminal) from the link controls gives a working link
// that replays nothing from before.
TEST_F(LinkFaults, HangUpWhileBytesFlowThenTheLinkControlsReopenThePort) {
    Peer& first = addPeer(1);
    Peer& other = addPeer(2);
    app::TForm1& f = start();
    ASSERT_TRUE(linkUp(1));
    ASSERT_TRUE(recordedErrors().empty());
    expectServing(first, "AVANT LA COUPURE", "0123456789ABCDEF");

    const std::string page = pattern(400);
    // The screen is clear before the page starts (a terminal that hangs up
    // drops what the program had not read yet, the clear included).
    ASSERT_TRUE(pageShown(first, ""));
    std::atomic<bool> hungUp{false};
    std::thread control([&] {
        for (std::size_t i = 0; i < page.size(); i += 8) {
            if (i == 200) {  // halfway: the control goes away
                first.hangUp();
                break;
            }
            first.send(controlText(page.substr(i, 8)));
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
        hungUp = true;
    });
    EXPECT_TRUE(waitUntil([&] { return hungUp.load(); }));
    control.join();
    serveEventsFor(std::chrono::milliseconds(1500));  // the port notices the hang-up

    const std::string shown = screenContents(f);
    const std::size_t n = shown.find_last_not_of(' ') + 1;
    EXPECT_EQ(shown.substr(0, n), page.substr(0, n)) << "the screen must hold a prefix of the page";
    EXPECT_EQ(shown.substr(n), std::string(480 - n, ' '));
    EXPECT_GE(first.idleBytes(), 1u);
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    // The dead line looks dead.
    EXPECT_EQ(statusText(), "COM1 LIAISON PERDUE");
    EXPECT_FALSE(okLit());
    EXPECT_FALSE(lit(design::linkbar::kTXDLight));
    EXPECT_FALSE(lit(design::linkbar::kRXDLight));

    choosePort(2);
    ASSERT_TRUE(waitUntil([&] { return linkUp(2); })) << statusText();
    expectServing(other, "SUR COM2", "GHIJKLMN");

    Peer& again = addPeer(1);  // the control comes back on a new terminal
    choosePort(1);
    ASSERT_TRUE(waitUntil([&] { return linkUp(1); })) << statusText();
    expectServing(again, "RETOUR SUR COM1", "PQRST01234");
    expectLightsFollowTheLine(again);
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
}

// The line looks dead within a second of the hang-up: no idle byte queued,
// one French message for the first key and none for the next ones; when the
// same name comes back (a new terminal) the program reconnects by itself,
// without a box, and the link serves exactly what comes after.
TEST_F(LinkFaults, AHangUpLooksDeadAndTheSameNameComingBackReconnectsByItself) {
    Peer& first = addPeer(1);
    start();
    expectServing(first, "PREMIER TERMINAL", "ABC");
    first.hangUp();
    ASSERT_TRUE(waitUntil([&] { return statusText() == "COM1 LIAISON PERDUE"; }, std::chrono::seconds(1)));
    EXPECT_TRUE(control<Label>("LabelNoCom").visible());  // shown without a CONF click
    EXPECT_FALSE(okLit());
    EXPECT_FALSE(program().Timer1.enabled());  // nothing to send: the idle timer rests
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();

    for (char c : std::string("DEFG")) typeKey(c);
    ASSERT_EQ(recordedErrors().size(), 1u);
    EXPECT_NE(recordedErrors()[0].find("Liaison perdue avec la commande (COM1)"), std::string::npos)
        << recordedErrors()[0];

    clearRecordedMessages();
    Peer& again = addPeer(1);
    ASSERT_TRUE(waitUntil([&] { return linkUp(1); })) << "the port does not come back by itself";
    EXPECT_EQ(statusText(), "COM1 9600");
    EXPECT_TRUE(program().Timer1.enabled());
    expectServing(again, "SECOND TERMINAL", "HIJ0123");
    // Nothing typed before or during the outage reaches the new terminal.
    EXPECT_EQ(again.keys().size(), 7u);
    expectLightsFollowTheLine(again);
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
}

// After a hang-up, the operator's own actions reopen the port at once once
// its device is back: PORTS, the same port chosen again, a speed change.
TEST_F(LinkFaults, AfterAHangUpPortsTheSamePortOrASpeedChangeReopenAtOnce) {
    struct Case {
        const char* action;
        std::function<void()> act;
    };
    const Case cases[] = {
        {"PORTS", [this] {
             clickPorts();
             // The focus comes back from the search window a little later and
             // writes the banner: let that happen before the control's page.
             waitUntil([&] { return program().form().isActive(); }, std::chrono::seconds(5));
             serveEventsFor(std::chrono::milliseconds(300));
         }},
        {"COM1 again", [this] { choosePort(1); }},
        {"19200", [this] { chooseSpeed(1); }},
    };
    Peer* peer = &addPeer(1);
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        peer->hangUp();
        ASSERT_TRUE(waitUntil([&] { return !okLit(); }));
        peer = &addPeer(1);
        c.act();
        EXPECT_TRUE(waitUntil([&] { return linkUp(1); })) << statusText();
        expectServing(*peer, c.action, "AB");
        EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    }
    EXPECT_EQ(statusText(), "COM1 19200");
}

// A hundred outages and reconnections: the same descriptors and threads as
// after the first one, and the lights still follow.
TEST_F(LinkFaults, AHundredOutagesLeaveNoDescriptorOrThreadBehind) {
    Peer* peer = &addPeer(1);
    start();
    int fds = 0, threads = 0;
    for (int cycle = 1; cycle <= 100; ++cycle) {
        peer->hangUp();
        ASSERT_TRUE(waitUntil([&] { return !okLit(); })) << "cycle " << cycle;
        peer = &addPeer(1);
        ASSERT_TRUE(waitUntil([&] { return linkUp(1); })) << "cycle " << cycle;
        serveEventsFor(std::chrono::milliseconds(20));
        if (cycle == 1) {
            fds = openDescriptorCount();
            threads = threadCount();
        }
    }
    // A watch's thread ends a moment after its device was handed over.
    EXPECT_TRUE(waitUntil([&] { return openDescriptorCount() == fds; }))
        << openDescriptorCount() << " descriptors, not " << fds;
    EXPECT_TRUE(waitUntil([&] { return threadCount() == threads; })) << threadCount() << " threads, not " << threads;
    expectServing(*peer, "APRES CENT COUPURES", "0123");
    expectLightsFollowTheLine(*peer);
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
}

// Whatever stands at Ports/COM1 when the program starts, the program runs
// without the line and shows why once (for what is not a serial port at all,
// with the device and what to link instead); once a live terminal takes the
// name, the program opens it by itself.
TEST_F(LinkFaults, EveryKindOfFailedPortAtStartUpLeavesThePanelRunningUntilTheLineComesBack) {
    struct Case {
        const char* kind;
        std::function<void(ProgramFolder&, std::unique_ptr<HeldPort>&, Peer*&)> lay;
        const char* box;
    };
    const std::string link = installed().path() + "Ports/COM1";
    const Case cases[] = {
        {"missing", [](auto&, auto&, auto&) {}, "ie_BadId - Specified comport doesn't exist"},
        {"regular file", [](ProgramFolder& f, auto&, auto&) { f.writeFile("Ports/COM1", "pas un port"); },
         "General failure"},
        {"folder", [&](auto&, auto&, auto&) { std::filesystem::create_directory(link); }, "General failure"},
        {"/dev/null", [](ProgramFolder& f, auto&, auto&) { f.linkPort(1, "/dev/null"); }, "General failure"},
        {"held", [this](auto&, std::unique_ptr<HeldPort>& h, Peer*& p) {
             p = &addPeer(1);
             h = std::make_unique<HeldPort>(p->slavePath());
         }, kAlreadyOpen.c_str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        peers_.clear();  // each takes its link along
        std::unique_ptr<HeldPort> holder;
        Peer* peer = nullptr;
        c.lay(installed().folder(), holder, peer);
        app::TForm1& f = start();
        EXPECT_FALSE(appServices().quitRequested);
        EXPECT_FALSE(f.startupAbandoned);
        EXPECT_TRUE(f.form().visible());
        ASSERT_EQ(recordedErrors().size(), 1u);
        EXPECT_EQ(recordedErrors()[0].rfind(c.box, 0), 0u) << recordedErrors()[0];
        if (std::string(c.box) == "General failure") {
            EXPECT_NE(recordedErrors()[0].find("n'est pas un port série"), std::string::npos) << recordedErrors()[0];
        }
        EXPECT_EQ(statusText(), "COM1 NON DISPONIBLE");
        EXPECT_TRUE(control<Label>("LabelNoCom").visible());
        EXPECT_FALSE(okLit());

        clearRecordedMessages();
        if (holder) {
            holder->release();
        } else {
            std::error_code ec;
            std::filesystem::remove(link, ec);
            peer = &addPeer(1);
        }
        ASSERT_TRUE(waitUntil([&] { return linkUp(1); })) << "the line does not come back by itself";
        expectServing(*peer, c.kind, "AB");
        EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
        TearDown();
        SetUp();
    }
}

// COM1 is held by another process when the program starts: start-up reports
// it and completes; once released, choosing COM1 in the link controls opens
// it and the link works.
TEST_F(LinkFaults, APortHeldByAnotherProcessAtStartUp) {
    Peer& peer = addPeer(1);
    HeldPort holder(peer.slavePath());
    ASSERT_TRUE(holder.held());
    app::TForm1& f = start();
    EXPECT_TRUE(allSay(recordedErrors(), kAlreadyOpen)) << recordedErrors().size();
    EXPECT_FALSE(f.state.EnDemarrage);
    EXPECT_FALSE(f.startupAbandoned);
    EXPECT_EQ(statusText(), "COM1 NON DISPONIBLE");

    holder.release();
    clearRecordedMessages();
    choosePort(1);
    ASSERT_TRUE(waitUntil([&] { return linkUp(1); })) << statusText();
    expectServing(peer, "LIBERE", "0123456789");
    expectLightsFollowTheLine(peer);
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
}

// The operator switches to COM2 while another process holds it: the error is
// shown once, the program goes on, and switching back to COM1 restores the
// link without losing or replaying anything.
TEST_F(LinkFaults, APortHeldByAnotherProcessAtAPortChange) {
    Peer& first = addPeer(1);
    Peer& second = addPeer(2);
    start();
    expectServing(first, "AVANT LE CHANGEMENT", "ABCD");

    HeldPort holder(second.slavePath());
    ASSERT_TRUE(holder.held());
    choosePort(2);
    ASSERT_TRUE(waitUntil([&] { return !recordedErrors().empty(); }));
    EXPECT_EQ(recordedErrors(), std::vector<std::string>{kAlreadyOpen});
    EXPECT_EQ(statusText(), "COM2 NON DISPONIBLE");
    serveEventsFor(std::chrono::milliseconds(300));  // the window goes on serving

    clearRecordedMessages();
    choosePort(1);
    ASSERT_TRUE(waitUntil([&] { return linkUp(1); })) << statusText();
    expectServing(first, "DE RETOUR", "EFGH");
    EXPECT_EQ(first.keys().size(), 8u);  // ABCD then EFGH, nothing twice
    EXPECT_TRUE(second.keys().empty());

    holder.release();
    choosePort(2);
    ASSERT_TRUE(waitUntil([&] { return linkUp(2); })) << statusText();
    expectServing(second, "COM2 LIBERE", "IJKL");
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
}

}  // namespace
}  // namespace vos::test
