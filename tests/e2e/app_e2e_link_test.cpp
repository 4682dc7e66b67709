// The serial link of the installed program seen from outside: the link
// controls that CONF shows, with the OK light of a present port, and the
// control's end of the line going away while the program runs.
#include <gtest/gtest.h>

#include <string>

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
bool okLightLit(const PanelShot& p) { return p.pixelIs(200, 704, Colour::Yellow); }
bool txdLightLit(const PanelShot& p) { return p.pixelIs(395, 704, Colour::Lime); }
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

TEST(Link, ThePeerVanishingLeavesTheProgramRunningResponsiveAndAbleToEnd) {
    PanelSession s;
    ASSERT_TRUE(s.startUntilBanner());

    s.line().stop();
    s.pty().closeMaster();
    // Give the hang-up time to reach every thread of the program.
    EXPECT_FALSE(pollUntil([&] { return !s.program().running(); }, 3000)) << "the program ended";

    // No box stands in the way, and ZOOM still switches the screen both ways.
    EXPECT_EQ(s.x().visibleWindows(".").size(), 1u) << "another window came up";
    s.clickAt(kZoomX, kZoomY);
    EXPECT_TRUE(s.waitForShot(bigScreen)) << "ZOOM does nothing after the hang-up";
    s.clickAt(kZoomX, kZoomY);
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) { return !bigScreen(q); }));
    EXPECT_TRUE(s.program().running());

    s.clickAt(kFinX, kFinY);
    const auto ended = s.program().waitExit(kWaitMs);
    ASSERT_TRUE(ended.has_value()) << "FIN does not end the program after the hang-up";
    EXPECT_TRUE(ended->success()) << (ended->signalled ? "signal " : "status ") << ended->value;
    EXPECT_NE(s.readIni().find("Version=1.00"), std::string::npos) << "no configuration written back";
}

}  // namespace
}  // namespace vos::e2e
