// The serial link of the installed program seen from outside: the link
// controls that CONF shows, with the OK light of a present port, the
// adapter pulled out and plugged back while the program runs, and the port
// search window during a slow search.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/e2e/panel_session.h"

namespace vos::e2e {
namespace {

// Command areas: CONF (8, 643, 25 x 25), ZOOM (8, 53, 25 x 25), FIN (840, 52, 24 x 29).
constexpr int kConfX = 20, kConfY = 655;
constexpr int kZoomX = 20, kZoomY = 65;
constexpr int kFinX = 852, kFinY = 66;

// The OK light (190, 700, 20 x 9): yellow when lit; the TXD light
// (385, 700, 20 x 9): lime while bytes go out (the idle stream never stops).
// The port list (8, 689, 80 x 23) has a lime background, which the widget
// style may lighten.
bool okLightLit(const PanelShot& p) { return p.pixelIs(200, 704, Color::Yellow); }
bool txdLightLit(const PanelShot& p) { return p.pixelIs(395, 704, Color::Lime); }
int limePixels(const PanelShot& p) {
    int n = 0;
    for (int y = 690; y < 711; ++y)
        for (int x = 10; x < 86; ++x) {
            const QRgb c = p.pixel(x, y);
            n += qGreen(c) >= 200 && qRed(c) <= 130 && qBlue(c) <= 130 ? 1 : 0;
        }
    return n;
}
// The big screen's black frame over the alphanumeric pad's last rows.
bool bigScreen(const PanelShot& p) { return p.allDark(QRect(73, 604, 388, 74)); }

TEST(Link, ConfShowsTheLinkControlsWithTheOkLightOfAPresentPortAndHidesThemAgain) {
    PanelSession s;
    ASSERT_TRUE(s.startUntilBanner());
    PanelShot p;
    // Hidden at start (the 300-ms tick hides the lights too).
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) {
        return !okLightLit(q) && !txdLightLit(q) && limePixels(q) == 0;
    }, kWaitMs, &p));

    s.clickAt(kConfX, kConfY);
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) { return okLightLit(q) && limePixels(q) > 500; }, kWaitMs, &p))
        << "OK light " << std::hex << p.pixel(200, 704) << ", lime pixels " << std::dec << limePixels(p);
    EXPECT_TRUE(txdLightLit(p)) << "TXD light " << std::hex << p.pixel(395, 704);

    s.clickAt(kConfX, kConfY);
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) {
        return !okLightLit(q) && !txdLightLit(q) && limePixels(q) == 0;
    }, kWaitMs, &p)) << "the link controls stay after the second click";
}

bool okLightRed(const PanelShot& p) { return p.pixelIs(200, 704, Color::Red); }

// What the link controls show of a line that is down: OK red, TXD dark.
bool lineShownDown(const PanelShot& p) { return okLightRed(p) && !txdLightLit(p) && limePixels(p) > 500; }
bool lineShownUp(const PanelShot& p) { return okLightLit(p) && limePixels(p) > 500; }

bool idleBytesFlow(LineRecorder& line) {
    const std::size_t mark = line.size();
    return line.waitFor(mark, [](const auto& bytes) { return bytes.size() >= 50; }, kWaitMs);
}

bool codeArrives(LineRecorder& line, PanelSession& s, const std::string& key, std::uint8_t code) {
    const std::size_t mark = line.size();
    s.key(key);
    return line.waitFor(mark, [&](const auto&) { return line.codesSince(mark) == std::vector<std::uint8_t>{code}; },
                        kWaitMs);
}

// The adapter is pulled out while the program runs, then plugged back in:
// the panel stays responsive, shows the line down, and takes the new
// terminal at the same name by itself.
TEST(Link, AnAdapterPulledOutLooksDeadAndIsTakenBackByItselfWhenPluggedIn) {
    PanelSession s;
    ASSERT_TRUE(s.startUntilBanner());

    s.unplugLine();  // the link controls come up by themselves
    EXPECT_TRUE(s.waitForShot(lineShownDown)) << "the lights do not show the line lost";
    EXPECT_TRUE(s.program().running());
    EXPECT_EQ(s.x().visibleWindows(".").size(), 1u) << "a box came up without a key pressed";

    // No box stands in the way, and ZOOM still switches the screen both ways.
    s.clickAt(kZoomX, kZoomY);
    EXPECT_TRUE(s.waitForShot(bigScreen)) << "ZOOM does nothing after the hang-up";
    s.clickAt(kZoomX, kZoomY);
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) { return !bigScreen(q); }));

    s.plugNewLine();
    EXPECT_TRUE(idleBytesFlow(s.line())) << "the panel does not take the new terminal";
    EXPECT_TRUE(codeArrives(s.line(), s, "F1", 0x81));
    EXPECT_TRUE(s.waitForShot(lineShownUp)) << "the lights do not show the line back";
    EXPECT_EQ(s.x().visibleWindows(".").size(), 1u) << "another window came up";

    s.clickAt(kFinX, kFinY);
    const auto ended = s.program().waitExit(kWaitMs);
    ASSERT_TRUE(ended.has_value()) << "FIN does not end the program";
    EXPECT_TRUE(ended->success()) << (ended->signalled ? "signal " : "status ") << ended->value;
    EXPECT_NE(s.readIni().find("Version=1.00"), std::string::npos) << "no configuration written back";
}

// The port search window (459 x 110 at 240, 100 on the screen, grey, with
// its progress bar at 9, 57, 441 x 10) while every port open is slow: how
// far its blue bar has gone, or -1 when the window is not on the screen.
int searchBarFill(const QImage& screen) {
    const QRgb back = screen.pixel(244, 104);
    if (std::abs(qRed(back) - 128) > 12 || std::abs(qGreen(back) - 128) > 12 || std::abs(qBlue(back) - 128) > 12)
        return -1;
    int blue = 0;
    for (int x = 249; x < 690; ++x) {
        const QRgb c = screen.pixel(x, 162);
        blue += qBlue(c) >= 200 && qRed(c) <= 60 && qGreen(c) <= 60 ? 1 : 0;
    }
    return blue;
}

// Waits for two screenshots of the search window whose bar has moved.
bool searchShownMoving(PanelSession& s) {
    int first = -1;
    return pollUntil([&] {
        const int fill = searchBarFill(s.shot().screen());
        if (fill < 0) return false;
        if (first < 0) first = fill;
        return fill > first;
    }, kWaitMs, 200);
}

TEST(Link, TheSearchWindowIsPaintedAboveThePanelAndItsBarMovesDuringASlowSearch) {
    PanelSession s(PanelSetup{.environment = {std::string("LD_PRELOAD=") + VOS_SLOW_OPEN_LIB, "VOS_SLOW_OPEN_MS=25"}});
    s.start();
    EXPECT_TRUE(searchShownMoving(s)) << "the search at start-up does not show";
    ASSERT_TRUE(s.waitForMainWindow());
    ASSERT_TRUE(s.waitForLine());

    constexpr int kPortsX = 20, kPortsY = 457;  // PORTS (8, 445, 25 x 25)
    s.clickAt(kPortsX, kPortsY);
    EXPECT_TRUE(searchShownMoving(s)) << "the search of PORTS is hidden or frozen";
    EXPECT_TRUE(pollUntil([&] { return searchBarFill(s.shot().screen()) < 0; }, 30000)) << "it never ends";
    EXPECT_TRUE(idleBytesFlow(s.line()));
}

// COM2's open takes 2 s (a Bluetooth line connecting, a stuck adapter: the
// preloaded shim delays every open of Ports/COM2 and logs it). The operator
// picks COM2 (a wheel notch over the port list), then COM1 back before
// COM2 is open, then COM2 again. While COM2 is being opened the panel
// answers (ZOOM) and COM1 keeps its idle stream; the second choice drops the
// first; each choice opens COM2 once; then the link is on COM2 alone.
TEST(Link, ASlowPortChosenNeverFreezesThePanelAndIsOpenedOncePerChoice) {
    test::ProgramFolder scratch(false);
    const std::string log = scratch.path() + "opens.log";
    PanelSession s(PanelSetup{.environment = {std::string("LD_PRELOAD=") + VOS_SLOW_OPEN_LIB, "VOS_SLOW_OPEN_MS=2000",
                                              "VOS_SLOW_OPEN_MATCH=/Ports/COM2", "VOS_SLOW_OPEN_LOG=" + log}});
    test::PtyPair com2Pty;
    std::filesystem::create_symlink(com2Pty.slavePath(), s.folder() + "Ports/COM2");
    LineRecorder com2(com2Pty);
    const auto opensOfCom2 = [&] {
        std::ifstream in(log);
        return std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n');
    };
    ASSERT_TRUE(s.startUntilBanner());
    s.clickAt(kConfX, kConfY);
    ASSERT_TRUE(s.waitForShot(lineShownUp));
    ASSERT_TRUE(pollUntil([&] { return opensOfCom2() >= 1; }));  // the search at start-up tried it
    const auto before = opensOfCom2();
    constexpr int kListX = 48, kListY = 700;  // ComboBox_NoCom (8, 689, 80 x 23)

    s.clickAt(kListX, kListY, Button::WheelDown);  // COM2
    s.clickAt(kListX, kListY, Button::WheelUp);    // COM1 again: COM2's open is dropped
    EXPECT_TRUE(pollUntil([&] { return opensOfCom2() == before + 1; })) << opensOfCom2() - before << " opens";
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    EXPECT_EQ(com2.size(), 0u) << "the dropped choice went on";
    EXPECT_TRUE(idleBytesFlow(s.line())) << "COM1 stopped";

    s.clickAt(kListX, kListY, Button::WheelDown);  // COM2, and this time it stays
    const std::size_t mark = s.line().size();
    s.clickAt(kZoomX, kZoomY);
    EXPECT_TRUE(s.waitForShot(bigScreen)) << "ZOOM does nothing while COM2 is being opened";
    EXPECT_EQ(com2.size(), 0u) << "COM2 opened too soon for the check";
    EXPECT_GE(s.line().size() - mark, 50u) << "COM1's idle stream stopped while COM2 was being opened";
    EXPECT_TRUE(com2.waitFor(0, [](const auto& b) { return b.size() >= 50; }, kWaitMs)) << "COM2 never opened";
    EXPECT_EQ(opensOfCom2(), before + 2);
    const std::size_t after = s.line().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LE(s.line().size(), after + 2) << "COM1 still sends";
    com2.stop();
}

// The machine's control as a TCP server on this computer (standing for the
// serial bridge of a remote one): it accepts one connection at a time,
// records what comes in and sends what it is given.
class TcpControl {
public:
    TcpControl() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listener_, 1) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            throw std::runtime_error("no TCP listener on 127.0.0.1");
        port_ = ntohs(a.sin_port);
    }
    ~TcpControl() {
        drop();
        ::close(listener_);
    }
    int port() const { return port_; }

    bool accept(int timeoutMs = kWaitMs) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1) return false;
        conn_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn_ < 0) return false;
        reader_ = std::thread([this] {
            std::uint8_t buf[4096];
            for (ssize_t n; (n = ::read(conn_, buf, sizeof buf)) > 0;) {
                std::lock_guard lock(m_);
                bytes_.insert(bytes_.end(), buf, buf + n);
            }
        });
        return true;
    }
    // The connection goes, as when the remote computer or its bridge stops.
    void drop() {
        if (conn_ >= 0) ::shutdown(conn_, SHUT_RDWR);
        if (reader_.joinable()) reader_.join();
        if (conn_ >= 0) ::close(conn_);
        conn_ = -1;
    }
    bool send(const std::vector<std::uint8_t>& bytes) {
        return ::write(conn_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    std::vector<std::uint8_t> received() const {
        std::lock_guard lock(m_);
        return bytes_;
    }

private:
    int listener_ = -1;
    int port_ = 0;
    int conn_ = -1;
    std::thread reader_;
    mutable std::mutex m_;
    std::vector<std::uint8_t> bytes_;
};

std::size_t idleCount(const std::vector<std::uint8_t>& b) { return static_cast<std::size_t>(std::count(b.begin(), b.end(), 0)); }

// A control far from the PC: socat links Ports/COM1 to a pseudo-terminal
// connected to the control's TCP port. The connection drops and comes back
// (socat started again on the same link): the panel shows the line lost, then
// reconnects by itself and the bytes flow both ways again.
TEST(Link, AControlReachedOverTcpThroughSocatIsTakenBackAfterTheConnectionDrops) {
    PanelSession s;
    s.unplugLine();  // Ports/COM1 is socat's
    TcpControl control;
    const std::string link = s.folder() + "Ports/COM1";
    auto bridge = [&] {
        return std::make_unique<ChildProcess>(SpawnOptions{
            {"socat", "PTY,link=" + link + ",raw,echo=0", "TCP:127.0.0.1:" + std::to_string(control.port())},
            environmentWith({}), "", "", -1, ""});
    };
    auto socat = bridge();
    ASSERT_TRUE(control.accept()) << "socat does not connect";
    ASSERT_TRUE(pollUntil([&] { return std::filesystem::exists(link); }, kWaitMs, 20));

    s.start();
    ASSERT_TRUE(s.waitForMainWindow());
    ASSERT_TRUE(pollUntil([&] { return idleCount(control.received()) >= 50; }, kStartTimeoutMs, 20))
        << "no idle byte reaches the control";
    // Clear, "TCP": the screen shows it.
    ASSERT_TRUE(control.send({0x83, 'T' + 0x80, 'C' + 0x80, 'P' + 0x80}));
    EXPECT_TRUE(s.waitForShot([](const PanelShot& p) { return p.lineInk(ScreenLayout::Normal, 1).rfind("###.", 0) == 0; }));
    s.key("F1");
    EXPECT_TRUE(pollUntil([&] {
        const auto r = control.received();
        return std::count(r.begin(), r.end(), 0x81) == 1;
    }, kWaitMs, 20)) << "the key does not reach the control";

    s.clickAt(kConfX, kConfY);
    ASSERT_TRUE(s.waitForShot(lineShownUp));
    control.drop();
    EXPECT_TRUE(socat->waitExit(kWaitMs).has_value()) << "socat stays after the drop";
    EXPECT_TRUE(s.waitForShot(lineShownDown)) << "the panel does not show the line lost";

    socat = bridge();
    ASSERT_TRUE(control.accept()) << "socat does not connect again";
    EXPECT_TRUE(pollUntil([&] { return idleCount(control.received()) >= 50; }, kWaitMs, 20))
        << "the panel does not reconnect by itself";
    EXPECT_TRUE(s.waitForShot(lineShownUp));
    s.key("F1");
    EXPECT_TRUE(pollUntil([&] {
        const auto r = control.received();
        return std::count(r.begin(), r.end(), 0x81) == 2;  // the one before the drop, this one
    }, kWaitMs, 20)) << "keys do not flow after the reconnection";
    EXPECT_EQ(s.x().visibleWindows(".").size(), 1u) << "a box came up";
}

// An operator not yet in the dialout group, on a port that only root may
// open: one box (the remedy in French), then the panel; once the port may be
// opened (the group's right given), the panel takes it by itself.
TEST(Link, AnOperatorWithoutTheRightToThePortGetsThePanelAndTheLineOnceAllowed) {
    PanelSession s(PanelSetup{.launcher = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"}});
    ASSERT_EQ(::geteuid(), 0u) << "the test makes a port that only root may open";
    ASSERT_EQ(::chmod(s.pty().slavePath().c_str(), 0600), 0);
    runTool({"chmod", "-R", "a+rwX", s.folder()}, environmentWith({}));
    s.start();

    // The open at creation fails: one box, before the panel.
    ASSERT_TRUE(pollUntil([&] { return s.x().visibleWindows("^Vostrelle$").size() == 1; }, kStartTimeoutMs));
    EXPECT_FALSE(s.waitForMainWindow(3000)) << "the panel came up under the box";
    s.key("Return");
    ASSERT_TRUE(s.waitForMainWindow()) << "no panel after the box";
    EXPECT_FALSE(pollUntil([&] { return s.x().visibleWindows(".").size() > 1; }, 3000))
        << "a second box for the same cause";
    EXPECT_TRUE(s.program().running());
    EXPECT_TRUE(s.waitForShot(lineShownDown)) << "the link controls do not show why there is no line";

    ASSERT_EQ(::chmod(s.pty().slavePath().c_str(), 0666), 0);
    EXPECT_TRUE(idleBytesFlow(s.line())) << "the panel does not open the port once allowed";
    EXPECT_TRUE(s.waitForShot(lineShownUp));
}

}  // namespace
}  // namespace vos::e2e
