// The panel as the machine's own station, on the installed program: the
// screen kept on while it runs (on a private session bus whose stand-in
// services record what they are asked, and on an X server whose screen saver
// is set to start after 2 s without input), and the panel filling screens of
// other sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/e2e/panel_session.h"
#include "tests/support/temp_files.h"

namespace vos::e2e {
namespace {

namespace fs = std::filesystem;

// A session bus of the test's own (no service is started on demand on it)
// with the stand-in for the desktop's inhibition services on it.
class PrivateBus {
public:
    PrivateBus() {
        const std::string socket = dir_.File("bus");
        const std::string config = dir_.File("bus.conf");
        test::Spit(config,
                   "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type><listen>unix:path=" + socket + "</listen>"
                   "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/><allow eavesdrop=\"true\"/>"
                   "<allow own=\"*\"/></policy></busconfig>\n");
        address_ = "unix:path=" + socket;
        daemon_ = std::make_unique<ChildProcess>(SpawnOptions{
            {"dbus-daemon", "--nofork", "--config-file=" + config}, environmentWith({}), dir_.File("bus.log"),
            dir_.File("bus.log"), -1, ""});
        if (!pollUntil([&] { return fs::exists(socket); }))
            throw std::runtime_error("dbus-daemon did not come up: " + test::Slurp(dir_.File("bus.log")));
        standIn_ = std::make_unique<ChildProcess>(SpawnOptions{
            {VOS_INHIBIT_STANDIN}, environmentWith({"DBUS_SESSION_BUS_ADDRESS=" + address_}), calls(),
            dir_.File("standin.err"), -1, ""});
        if (!waitForCall("ready")) throw std::runtime_error("the stand-in did not come up");
    }

    const std::string& address() const { return address_; }
    // The calls the stand-in got, one a line.
    std::string callLog() const { return test::Slurp(calls()); }
    bool waitForCall(const std::string& line) const {
        return pollUntil([&] { return callLog().find(line + "\n") != std::string::npos; });
    }

private:
    std::string calls() const { return dir_.File("calls.log"); }

    test::TempDir dir_;
    std::string address_;
    std::unique_ptr<ChildProcess> daemon_;
    std::unique_ptr<ChildProcess> standIn_;
};

TEST(Station, TheScreenIsKeptOnWhileThePanelRunsAndGivenBackAtItsEnd) {
    PrivateBus bus;
    PanelSetup setup;
    setup.environment = {"DBUS_SESSION_BUS_ADDRESS=" + bus.address()};
    PanelSession s(setup);
    ASSERT_TRUE(s.startUntilBanner());

    // Both desktop services were asked, with the reason the operator's
    // desktop shows, and the portal was told which window asks.
    char window[32];
    std::snprintf(window, sizeof window, "x11:%llx", static_cast<unsigned long long>(s.window()));
    EXPECT_TRUE(bus.waitForCall(std::string("portal Inhibit window=") + window +
                                " flags=8 reason=Pupitre de la machine en service"))
        << bus.callLog();
    EXPECT_TRUE(bus.waitForCall("screensaver Inhibit application=Vostrelle reason=Pupitre de la machine en service"))
        << bus.callLog();

    // The X screen saver, set to start after 2 s without input, does not
    // start while the panel runs (three times that long).
    s.x().xset({"s", "2"});
    s.x().xset({"s", "reset"});
    std::this_thread::sleep_for(std::chrono::seconds(6));
    EXPECT_FALSE(s.x().screenSaverOn()) << "the screen blanked under the panel";

    // FIN: each request is given back, and the screen saver starts again.
    s.clickAt(852, 66);
    ASSERT_TRUE(s.program().waitExit(kWaitMs).has_value()) << "FIN did not end the program";
    EXPECT_TRUE(bus.waitForCall("screensaver UnInhibit cookie=42")) << bus.callLog();
    EXPECT_TRUE(bus.waitForCall("portal Close path=/org/freedesktop/portal/desktop/request/1_1/vostrelle"))
        << bus.callLog();
    EXPECT_TRUE(pollUntil([&] { return s.x().screenSaverOn(); })) << "the screen saver never started after the end";
    EXPECT_EQ(bus.callLog().find("unexpected"), std::string::npos) << bus.callLog();
}

// Full screen on screens of other proportions: the panel fills the screen's
// height or width at one scale, centred on black margins; a click or a right
// click at a key (in design pixels, mapped onto the scaled panel) sends that
// key's code; F11 gives the window back at the top centre and sends nothing.
struct ScreenSize {
    int width, height;
};

void PrintTo(ScreenSize s, std::ostream* os) { *os << s.width << "x" << s.height; }

class FullScreen : public ::testing::TestWithParam<ScreenSize> {};

// The codes the control received after `mark` (idle bytes left out), once
// they hold `code` or the wait is over.
std::vector<std::uint8_t> codesWith(PanelSession& s, std::size_t mark, std::uint8_t code) {
    s.line().waitFor(mark, [code](const auto& b) { return std::find(b.begin(), b.end(), code) != b.end(); }, kWaitMs);
    return s.line().codesSince(mark);
}

TEST_P(FullScreen, ThePanelFillsTheScreenAndAClickSendsTheKeyUnderIt) {
    const ScreenSize screen = GetParam();
    PanelSetup setup;
    setup.arguments = {"--plein-ecran"};
    setup.screenWidth = screen.width;
    setup.screenHeight = screen.height;
    setup.fullScreen = true;
    PanelSession s(setup);
    ASSERT_TRUE(s.startUntilBanner());
    const double fits = std::min(screen.width / 870.0, screen.height / 720.0);
    EXPECT_NEAR(s.scale(), fits, 0.002);

    const PanelShot shot = s.shot();
    // The margins are black, the panel's own edge is not.
    const QImage& whole = shot.screen();
    const int marginX = static_cast<int>((screen.width - 870 * s.scale()) / 2);
    const int marginY = static_cast<int>((screen.height - 720 * s.scale()) / 2);
    ASSERT_TRUE(marginX > 2 || marginY > 2);
    const QPoint margin = marginX > 2 ? QPoint(marginX / 2, screen.height / 2) : QPoint(screen.width / 2, marginY / 2);
    EXPECT_EQ(whole.pixel(margin) & 0xFFFFFF, 0u) << "margin at " << margin.x() << "," << margin.y();
    EXPECT_FALSE(shot.allDark(QRect(2, 300, 3, 100))) << "the skin's left edge";
    const QRgb key = shot.pixel(91, 411);
    EXPECT_GE(std::min({qRed(key), qGreen(key), qBlue(key)}), 150) << "no keycap under soft key 1";

    struct Press {
        int x, y;
        Button button;
        std::uint8_t code;
    };
    for (const Press p : {Press{91, 411, Button::Left, 0x81}, Press{578, 67, Button::Left, 0x11},
                          Press{325, 660, Button::Right, 0xA0}}) {
        const std::size_t mark = s.line().size();
        s.clickAt(p.x, p.y, p.button);
        EXPECT_EQ(codesWith(s, mark, p.code), std::vector<std::uint8_t>{p.code}) << "at " << p.x << "," << p.y;
    }

    // F11: the window again, at the top centre, and no code for the key.
    const std::size_t mark = s.line().size();
    s.key("F11");
    WindowGeometry g;
    EXPECT_TRUE(pollUntil([&] {
        g = s.windowGeometry();
        return g.width == 870 && g.height == 720 && g.x == (screen.width - 870) / 2 && g.y == 0;
    })) << g.x << "," << g.y << " " << g.width << "x" << g.height;
    s.key("F1");
    EXPECT_EQ(codesWith(s, mark, 0x81), std::vector<std::uint8_t>{0x81}) << "F11 sent a code";
}

INSTANTIATE_TEST_SUITE_P(Screens, FullScreen, ::testing::Values(ScreenSize{1920, 1080}, ScreenSize{1024, 768}),
                         [](const auto& info) {
                             return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

}  // namespace
}  // namespace vos::e2e
