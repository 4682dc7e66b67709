// The installed program started under a private X server with a
// pseudo-terminal as COM1: what the operator sees first, what the control
// receives before any key, and a start without a configuration file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/e2e/panel_session.h"

namespace vos::e2e {
namespace {

// Line 4 of the start-up banner, cell by cell: 9 blanks, "Vostrelle", 2
// blanks, "Version", a blank, "1.00", and blanks to the end (the line is 39
// characters long; the 40th cell shows nothing either).

TEST(StartUp, ShowsTheBannerInAWindowAtTheTopCentreAndSendsOnlyIdleBytes) {
    PanelSession s;
    s.start();
    ASSERT_TRUE(s.waitForMainWindow()) << "no 870 x 720 window titled Vostrelle";

    // The first activation places the window at the top centre of the screen.
    WindowGeometry g;
    pollUntil([&] {
        g = s.windowGeometry();
        return g.x == (kScreenWidth - kWindowWidth) / 2 && g.y == 0;
    });
    EXPECT_EQ(g.width, 870);
    EXPECT_EQ(g.height, 720);
    EXPECT_EQ(g.x, 205);
    EXPECT_EQ(g.y, 0);

    PanelShot shot;
    EXPECT_TRUE(s.waitForShot([](const PanelShot& p) { return p.lineInk(ScreenLayout::Normal, 4) == kBannerInk; },
                              kWaitMs, &shot))
        << "line 4 shows " << shot.lineInk(ScreenLayout::Normal, 4);
    for (int line = 1; line <= 12; ++line) {
        if (line == 4) continue;
        EXPECT_EQ(shot.lineInk(ScreenLayout::Normal, line), kBlankInk) << "line " << line;
    }

    // Without operator activity the control receives the idle byte only.
    ASSERT_TRUE(s.waitForLine()) << "the program sends nothing on COM1";
    const std::size_t mark = s.line().size();
    ASSERT_TRUE(s.line().waitFor(mark, [](const auto& b) { return b.size() >= 500; }, kWaitMs));
    EXPECT_TRUE(s.line().codesSince(mark).empty());
    EXPECT_TRUE(s.program().running());
}

TEST(StartUp, WithoutItsConfigurationFileShowsAnErrorAndEndsWithoutCreatingOne) {
    PanelSession s({PanelSetup::Ini::Missing, "", false});
    s.start();

    // The error box: a small window titled like the program, with the red
    // error icon; the panel window itself does not come up.
    std::uint64_t box = 0;
    WindowGeometry boxPlace;
    pollUntil(
        [&] {
            for (std::uint64_t id : s.x().visibleWindows("^Vostrelle$")) {
                const WindowGeometry g = s.x().geometry(id);
                EXPECT_FALSE(g.width == kWindowWidth && g.height == kWindowHeight) << "the panel window is shown";
                box = id;
                boxPlace = g;
            }
            return box != 0 || !s.program().running();
        },
        kStartTimeoutMs);
    ASSERT_NE(box, 0u) << "no message box came up";
    const QRect boxRect(boxPlace.x, boxPlace.y, boxPlace.width, boxPlace.height);
    const PanelShot screen(s.x().screenshot(), QPoint(0, 0));
    int red = 0;
    for (int y = boxRect.top(); y <= boxRect.bottom(); ++y)
        for (int x = boxRect.left(); x <= boxRect.right(); ++x) red += screen.pixelIs(x, y, Color::Red) ? 1 : 0;
    EXPECT_GT(red, 20) << "no error icon in the box";

    // The program waits for the box; dismissing it ends the program.
    EXPECT_TRUE(s.program().running());
    s.key("Return");
    const auto ended = s.program().waitExit(kWaitMs);
    ASSERT_TRUE(ended.has_value()) << "the program still runs after the box was dismissed";
    EXPECT_FALSE(ended->signalled) << "killed by signal " << ended->value;
    EXPECT_NE(ended->value, 0);
    EXPECT_FALSE(s.iniExists()) << "a configuration file was created";
}

TEST(StartUp, DismissingTheAboutBoxActivatesThePanelAgainWithItsBanner) {
    PanelSession s;
    ASSERT_TRUE(s.startUntilBanner());
    // The control clears the screen and writes one character.
    ASSERT_TRUE(s.sendFromControl({0x83, 'Q' | 0x80}));
    const std::string written = "#" + std::string(39, '.');
    ASSERT_TRUE(s.waitForShot([&](const PanelShot& p) {
        return p.lineInk(ScreenLayout::Normal, 1) == written && p.lineInk(ScreenLayout::Normal, 4) == kBlankInk;
    }));

    // The logo area (50, 15, 160 x 34) opens the about box at the window's
    // left + 150, top + 100.
    s.clickAt(130, 32);
    const WindowGeometry panel = s.windowGeometry();
    WindowGeometry box;
    ASSERT_TRUE(pollUntil([&] {
        for (std::uint64_t id : s.x().visibleWindows("^Vostrelle$"))
            if (id != s.window()) {
                box = s.x().geometry(id);
                return true;
            }
        return false;
    })) << "no about box";
    EXPECT_EQ(box.x, panel.x + 150);
    EXPECT_EQ(box.y, panel.y + 100);

    s.key("Return");
    PanelShot p;
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) { return q.lineInk(ScreenLayout::Normal, 4) == kBannerInk; },
                              kWaitMs, &p))
        << "line 4 shows " << p.lineInk(ScreenLayout::Normal, 4);
    EXPECT_EQ(p.lineInk(ScreenLayout::Normal, 1), kBlankInk) << "the banner replaces the whole screen";
    EXPECT_EQ(s.x().visibleWindows("^Vostrelle$").size(), 1u) << "the box is still up";
}

// The panel is activated again only when the focus comes back from one of
// its own windows: another application taking the focus and giving it back
// must leave the control's screen alone.
TEST(StartUp, FocusGoingToAnotherApplicationAndBackKeepsTheControlsScreen) {
    PanelSession s;
    ASSERT_TRUE(s.startUntilBanner());
    ASSERT_TRUE(s.sendFromControl({0x83, 'Q' | 0x80}));
    const std::string written = "#" + std::string(39, '.');
    auto controlsScreen = [&](const PanelShot& p) {
        return p.lineInk(ScreenLayout::Normal, 1) == written && p.lineInk(ScreenLayout::Normal, 4) == kBlankInk;
    };
    ASSERT_TRUE(s.waitForShot(controlsScreen));

    ChildProcess other({{"xmessage", "-geometry", "+0+740", "autre programme"},
                        environmentWith({"DISPLAY=" + s.x().display()}), "", "", -1, ""});
    std::uint64_t otherWindow = 0;
    ASSERT_TRUE(pollUntil([&] {
        const auto ids = s.x().visibleWindows("^xmessage$");
        otherWindow = ids.empty() ? 0 : ids.front();
        return otherWindow != 0;
    })) << "the other application shows no window";
    s.x().focus(otherWindow);
    EXPECT_TRUE(pollUntil([&] { return s.x().focusedWindow() == otherWindow; }));
    s.x().focus(s.window());
    EXPECT_TRUE(pollUntil([&] { return s.x().focusedWindow() == s.window(); }));

    // Keys reach the panel again: once F1's code is on the line, the focus
    // change has been handled too.
    const std::size_t mark = s.line().size();
    s.key("F1");
    EXPECT_TRUE(s.line().waitFor(mark, [](const auto& b) { return std::count(b.begin(), b.end(), 0x81) == 1; },
                                 kWaitMs));
    PanelShot p;
    EXPECT_TRUE(s.waitForShot(controlsScreen, 3000, &p));
    EXPECT_EQ(p.lineInk(ScreenLayout::Normal, 1), written);
    EXPECT_EQ(p.lineInk(ScreenLayout::Normal, 4), kBlankInk) << "the banner came back";
}

}  // namespace
}  // namespace vos::e2e
