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

#include "serial/sl_controller.h"
#include "tests/faults/faults_fixture.h"

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

// Another process that opens a pseudo-terminal's slave and holds its lock
// (as a terminal program would) until release() or destruction.
class PortHolder {
public:
    explicit PortHolder(const std::string& device) {
        int ready[2], quit[2];
        if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(quit, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            // Child of a threaded process: async-signal-safe calls only. It
            // must not keep the parent's descriptors: one of them may be a
            // port the program has open and locked, whose lock would then
            // outlive the program's close.
            const unsigned lo = static_cast<unsigned>(std::min(ready[1], quit[0]));
            const unsigned hi = static_cast<unsigned>(std::max(ready[1], quit[0]));
            ::close_range(3, lo - 1, 0);
            ::close_range(lo + 1, hi - 1, 0);
            ::close_range(hi + 1, ~0u, 0);
            const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            const char ok = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? '1' : '0';
            (void)!::write(ready[1], &ok, 1);
            char c;
            while (::read(quit[0], &c, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(quit[0]);
        quit_ = quit[1];
        char ok = '0';
        held_ = ::read(ready[0], &ok, 1) == 1 && ok == '1';
        ::close(ready[0]);
    }
    ~PortHolder() { release(); }
    bool held() const { return held_; }
    void release() {
        if (quit_ >= 0) ::close(quit_);
        quit_ = -1;
        if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int quit_ = -1;
    bool held_ = false;
};

bool allSay(const std::vector<std::string>& errors, const std::string& text) {
    return !errors.empty() &&
           std::all_of(errors.begin(), errors.end(), [&](const std::string& e) { return e == text; });
}

const std::string kAlreadyOpen = "ie_Open - device already open";

using LinkFaults = ProgramFixture;

// The control hangs up in the middle of a page while the program sends its
// idle bytes. The screen keeps exactly a prefix of what was sent; the program
// goes on without an error box; choosing another port and then COM1 again
// (now a new pseudo-terminal) from the link controls gives a working link
// that replays nothing from before.
TEST_F(LinkFaults, HangUpWhileBytesFlowThenTheLinkControlsReopenThePort) {
    Peer& first = addPeer(1);
    Peer& other = addPeer(2);
    app::TForm1& f = start();
    ASSERT_TRUE(port().Open());
    ASSERT_TRUE(recordedErrors().empty());
    expectServing(first, "AVANT LA COUPURE", "0123456789ABCDEF");

    const std::string page = pattern(400);
    ASSERT_TRUE(first.send({kClearScreen}));
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
    EXPECT_FALSE(port().Open());
    EXPECT_EQ(selection().LabelNoCom().caption(), "COM1 LIAISON PERDUE");
    EXPECT_FALSE(selection().OKLight().Lit());
    EXPECT_FALSE(selection().TXDLight().Lit());
    EXPECT_FALSE(selection().RXDLight().Lit());

    choosePort(2);
    EXPECT_EQ(port().ComNumber(), 2);
    ASSERT_TRUE(port().Open());
    expectServing(other, "SUR COM2", "GHIJKLMN");

    Peer& again = addPeer(1);  // the control comes back on a new terminal
    choosePort(1);
    EXPECT_EQ(port().ComNumber(), 1);
    ASSERT_TRUE(port().Open());
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
    ASSERT_TRUE(waitUntil([&] { return !port().Open(); }, std::chrono::seconds(1)));
    EXPECT_EQ(program().link().lineState(), app::PortLink::LineState::Lost);
    EXPECT_EQ(selection().LabelNoCom().caption(), "COM1 LIAISON PERDUE");
    EXPECT_TRUE(selection().LabelNoCom().visible());  // shown without a CONF click
    EXPECT_FALSE(selection().OKLight().Lit());
    EXPECT_EQ(port().OutputCount(), 0u);
    EXPECT_FALSE(program().Timer1.enabled());  // nothing to send: the idle timer rests
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();

    for (char c : std::string("DEFG")) typeKey(c);
    ASSERT_EQ(recordedErrors().size(), 1u);
    EXPECT_NE(recordedErrors()[0].find("Liaison perdue avec la commande (COM1)"), std::string::npos)
        << recordedErrors()[0];

    clearRecordedMessages();
    Peer& again = addPeer(1);
    ASSERT_TRUE(waitUntil([&] { return port().Open(); })) << "the port does not come back by itself";
    EXPECT_EQ(selection().LabelNoCom().caption(), "COM1 9600");
    EXPECT_TRUE(selection().OKLight().Lit());
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
             selection().LabelDetectePorts().onClick();
             // The focus comes back from the search window a little later and
             // writes the banner: let that happen before the control's page.
             waitUntil([&] { return program().form().isActive(); }, std::chrono::seconds(5));
             serveEventsFor(std::chrono::milliseconds(300));
         }},
        {"COM1 again", [this] { choosePort(1); }},
        {"19200", [this] {
             ComboBox& bauds = selection().ComboBox_Bauds();
             bauds.setItemIndex(1);
             emit qobject_cast<QComboBox*>(bauds.widget())->activated(1);
         }},
    };
    Peer* peer = &addPeer(1);
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        peer->hangUp();
        ASSERT_TRUE(waitUntil([&] { return !port().Open(); }));
        peer = &addPeer(1);
        c.act();  // before the watch's turn: the action itself opens
        EXPECT_TRUE(port().Open());
        EXPECT_TRUE(selection().OKLight().Lit());
        expectServing(*peer, c.action, "AB");
        EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
    }
    EXPECT_EQ(port().Baud(), 19200);
}

// A hundred outages and reconnections: the same descriptors, threads and
// trigger handles as after the first one, and the lights still follow.
TEST_F(LinkFaults, AHundredOutagesLeaveNoDescriptorThreadOrTriggerBehind) {
    Peer* peer = &addPeer(1);
    start();
    int fds = 0, threads = 0;
    serial::TSerialSLController::Handles handles;
    for (int cycle = 1; cycle <= 100; ++cycle) {
        peer->hangUp();
        ASSERT_TRUE(waitUntil([&] { return !port().Open(); })) << "cycle " << cycle;
        peer = &addPeer(1);
        ASSERT_TRUE(waitUntil([&] { return port().Open(); })) << "cycle " << cycle;
        serveEventsFor(std::chrono::milliseconds(20));
        if (cycle == 1) {
            fds = openDescriptorCount();
            threads = threadCount();
            handles = program().link().controller().handles();
        }
    }
    EXPECT_EQ(openDescriptorCount(), fds);
    EXPECT_EQ(threadCount(), threads);
    EXPECT_TRUE(program().link().controller().LightsActive());
    EXPECT_EQ(program().link().controller().handles(), handles);
    expectServing(*peer, "APRES CENT COUPURES", "0123");
    expectLightsFollowTheLine(*peer);
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
}

// Whatever stands at Ports/COM1 when the program starts, the program runs
// without the line and shows why once; once a live terminal takes the
// name, the program opens it by itself.
TEST_F(LinkFaults, EveryKindOfFailedPortAtStartUpLeavesThePanelRunningUntilTheLineComesBack) {
    struct Case {
        const char* kind;
        std::function<void(ProgramFolder&, std::unique_ptr<PortHolder>&, Peer*&)> lay;
        const char* box;
    };
    const std::string link = folder_.path() + "Ports/COM1";
    const Case cases[] = {
        {"missing", [](auto&, auto&, auto&) {}, "ie_BadId - Specified comport doesn't exist"},
        {"regular file", [](ProgramFolder& f, auto&, auto&) { f.writeFile("Ports/COM1", "pas un port"); },
         "General failure"},
        {"folder", [&](auto&, auto&, auto&) { std::filesystem::create_directory(link); }, "General failure"},
        {"/dev/null", [](ProgramFolder& f, auto&, auto&) { f.linkPort(1, "/dev/null"); }, "General failure"},
        {"held", [this](auto&, std::unique_ptr<PortHolder>& h, Peer*& p) {
             p = &addPeer(1);
             h = std::make_unique<PortHolder>(p->slavePath());
         }, kAlreadyOpen.c_str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        peers_.clear();  // each takes its link along
        std::unique_ptr<PortHolder> holder;
        Peer* peer = nullptr;
        c.lay(folder_.folder(), holder, peer);
        app::TForm1& f = start();
        EXPECT_FALSE(appServices().quitRequested);
        EXPECT_FALSE(f.startupAbandoned);
        EXPECT_TRUE(f.form().visible());
        EXPECT_FALSE(port().Open());
        EXPECT_EQ(recordedErrors(), std::vector<std::string>{c.box});
        EXPECT_EQ(selection().LabelNoCom().caption(), "COM1 NON DISPONIBLE");
        EXPECT_TRUE(selection().LabelNoCom().visible());
        EXPECT_FALSE(selection().OKLight().Lit());

        clearRecordedMessages();
        if (holder) {
            holder->release();
        } else {
            std::error_code ec;
            std::filesystem::remove(link, ec);
            peer = &addPeer(1);
        }
        ASSERT_TRUE(waitUntil([&] { return port().Open(); })) << "the line does not come back by itself";
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
    PortHolder holder(peer.slavePath());
    ASSERT_TRUE(holder.held());
    app::TForm1& f = start();
    EXPECT_FALSE(port().Open());
    EXPECT_TRUE(allSay(recordedErrors(), kAlreadyOpen)) << recordedErrors().size();
    EXPECT_FALSE(f.state.EnDemarrage);
    EXPECT_FALSE(f.startupAbandoned);
    EXPECT_EQ(selection().LabelNoCom().caption(), "COM1 NON DISPONIBLE");

    holder.release();
    clearRecordedMessages();
    choosePort(1);
    ASSERT_TRUE(port().Open());
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

    PortHolder holder(second.slavePath());
    ASSERT_TRUE(holder.held());
    choosePort(2);
    EXPECT_EQ(recordedErrors(), std::vector<std::string>{kAlreadyOpen});
    EXPECT_FALSE(port().Open());
    serveEventsFor(std::chrono::milliseconds(300));  // the window goes on serving

    clearRecordedMessages();
    choosePort(1);
    ASSERT_TRUE(port().Open());
    EXPECT_EQ(port().ComNumber(), 1);
    expectServing(first, "DE RETOUR", "EFGH");
    EXPECT_EQ(first.keys().size(), 8u);  // ABCD then EFGH, nothing twice
    EXPECT_TRUE(second.keys().empty());

    holder.release();
    choosePort(2);
    ASSERT_TRUE(port().Open());
    expectServing(second, "COM2 LIBERE", "IJKL");
    EXPECT_TRUE(recordedErrors().empty()) << recordedErrors().front();
}

}  // namespace
}  // namespace vos::test
