// The receive side of the installed program, seen on the screen: bytes the
// control writes to the pseudo-terminal become characters in their cells and
// lit lamps, and Escape swaps the panel for the big screen and back.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/e2e/panel_session.h"

namespace vos::e2e {
namespace {

// A character byte carries its ASCII code with the top bit set.
constexpr std::uint8_t ch(char c) { return static_cast<std::uint8_t>(c) | 0x80; }

// Lamp places (top-left of the 9 x 9 disc) and colors; the centre is probed.
struct Lamp {
    const char* name;
    int left, top;
    Color color;
};
constexpr Lamp kLed16{"Led16", 525, 144, Color::Red};
constexpr Lamp kLed17{"Led17", 564, 144, Color::Red};
constexpr Lamp kLed18{"Led18", 603, 144, Color::Yellow};
constexpr Lamp kLed19{"Led19", 642, 144, Color::Yellow};
constexpr Lamp kLed21{"Led21", 720, 144, Color::Lime};
constexpr Lamp kLamps[] = {kLed16, kLed17, kLed18, kLed19, kLed21};

bool lit(const PanelShot& p, const Lamp& l) { return p.pixelIs(l.left + 4, l.top + 4, l.color); }

TEST(Receive, CharactersAndLampCommandsFromTheControlShowOnThePanel) {
    PanelSession s;
    ASSERT_TRUE(s.startUntilBanner());
    for (const Lamp& l : kLamps) EXPECT_FALSE(lit(s.shot(), l)) << l.name << " lit at start";

    // Clear the screen; "A& C" on line 1 (one ampersand, one cell); a beep,
    // which holds nothing up; clear to the end of the line and go to the next
    // one; "  D" on line 2; then lamps 16 to 19 (bits 0 to 3 of group 64) and
    // 21 (bit 1 of group 80).
    ASSERT_TRUE(s.sendFromControl({0x83, ch('A'), ch('&'), ch(' '), ch('C'), 0x80, 0x8E, ch(' '), ch(' '), ch('D'),
                                   0x4F, 0x52}));
    PanelShot p;
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) { return q.lineInk(ScreenLayout::Normal, 2) == "..#" + std::string(37, '.'); },
                              kWaitMs, &p));
    EXPECT_EQ(p.lineInk(ScreenLayout::Normal, 1), "##.#" + std::string(36, '.'));
    EXPECT_EQ(p.lineInk(ScreenLayout::Normal, 2), "..#" + std::string(37, '.'));
    for (int line = 3; line <= 12; ++line)
        EXPECT_EQ(p.lineInk(ScreenLayout::Normal, line), kBlankInk) << "line " << line << " (the banner is cleared)";
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) {
        for (const Lamp& l : kLamps)
            if (!lit(q, l)) return false;
        return true;
    }, kWaitMs, &p));
    for (const Lamp& l : kLamps) EXPECT_TRUE(lit(p, l)) << l.name;

    // The same groups with their bits clear put the lamps out again.
    ASSERT_TRUE(s.sendFromControl({0x40, 0x50}));
    EXPECT_TRUE(s.waitForShot([](const PanelShot& q) {
        for (const Lamp& l : kLamps)
            if (lit(q, l)) return false;
        return true;
    }, kWaitMs, &p));
    for (const Lamp& l : kLamps) EXPECT_FALSE(lit(p, l)) << l.name;

    // A whole screen in one burst, and one more character, which wraps to
    // line 1, column 1: every cell but the second of line 1 shows ink.
    std::vector<std::uint8_t> burst{0x83};
    burst.insert(burst.end(), 12 * 40, ch('M'));
    burst.insert(burst.end(), {ch('W'), ch(' ')});
    ASSERT_TRUE(s.sendFromControl(burst));
    const std::string full(40, '#');
    EXPECT_TRUE(s.waitForShot([&](const PanelShot& q) {
        return q.lineInk(ScreenLayout::Normal, 1) == "#." + std::string(38, '#') &&
               q.lineInk(ScreenLayout::Normal, 12) == full;
    }, kWaitMs, &p)) << "line 1 shows " << p.lineInk(ScreenLayout::Normal, 1);
    for (int line = 2; line <= 12; ++line) EXPECT_EQ(p.lineInk(ScreenLayout::Normal, line), full) << "line " << line;
    EXPECT_TRUE(s.program().running());
}

TEST(Zoom, EscapeShowsTheBigScreenOverKeysAndLampsThenRestoresThePanel) {
    PanelSession s;
    ASSERT_TRUE(s.startUntilBanner());
    // Clear, go up from line 1 to line 12, write "XYZ" there, light Led16.
    ASSERT_TRUE(s.sendFromControl({0x83, 0x8B, ch('X'), ch('Y'), ch('Z'), 0x41}));
    const std::string line12 = "###" + std::string(37, '.');
    PanelShot before;
    ASSERT_TRUE(s.waitForShot([&](const PanelShot& q) {
        return q.lineInk(ScreenLayout::Normal, 12) == line12 && lit(q, kLed16);
    }, kWaitMs, &before)) << "line 12 shows " << before.lineInk(ScreenLayout::Normal, 12);
    const QRect client(0, 0, kWindowWidth, kWindowHeight);

    s.key("Escape");
    PanelShot big;
    EXPECT_TRUE(s.waitForShot([&](const PanelShot& q) { return q.lineInk(ScreenLayout::Big, 12) == line12; },
                              kWaitMs, &big))
        << "big line 12 shows " << big.lineInk(ScreenLayout::Big, 12);
    // The black frame lies over the soft keys and the pad (above and below
    // line 12), the machine pad and the lit lamp; line 12's normal place is
    // blank now.
    EXPECT_TRUE(big.allDark(QRect(73, 393, 388, 160))) << "soft keys and pad rows B-C";
    EXPECT_TRUE(big.allDark(QRect(73, 604, 388, 74))) << "pad rows E-F";
    EXPECT_TRUE(big.allDark(QRect(522, 49, 310, 480))) << "machine pad";
    EXPECT_FALSE(lit(big, kLed16));
    EXPECT_EQ(big.lineInk(ScreenLayout::Normal, 12), kBlankInk);

    s.key("Escape");
    PanelShot after;
    EXPECT_TRUE(s.waitForShot([&](const PanelShot& q) { return q.lineInk(ScreenLayout::Normal, 12) == line12; },
                              kWaitMs, &after));
    // Back to exactly the panel as it was, lamp included.
    EXPECT_TRUE(after.region(client) == before.region(client)) << "the panel differs after the round trip";
    EXPECT_TRUE(lit(after, kLed16));
}

// The cursor mark shows as a bar in the strip under the cursor's cell, on
// both screens and at every column, the last one included. A bar is there
// when the strip under the cell is bright over its whole height (2 pixel
// rows, 4 on the big screen) and looks different from the same place before
// the cursor came to it.
TEST(Zoom, TheCursorBarShowsUnderItsCellOnBothScreensUpToTheLastColumn) {
    PanelSession s;
    ASSERT_TRUE(s.startUntilBanner());
    auto barAt = [](const PanelShot& now, const PanelShot& before, ScreenLayout layout, int line, int column) {
        const QRect r = stripCellRect(layout, line, column);
        return now.barHeight(layout, line, column) == r.height() && now.region(r) != before.region(r);
    };

    // Clear (cursor home), steady cursor: the bar under line 1, column 1.
    const PanelShot start = s.shot();
    ASSERT_TRUE(s.sendFromControl({0x83, 0x85}));
    PanelShot normal, big, p;
    EXPECT_TRUE(s.waitForShot([&](const PanelShot& q) { return barAt(q, start, ScreenLayout::Normal, 1, 1); },
                              kWaitMs, &normal));
    s.key("Escape");
    EXPECT_TRUE(s.waitForShot([&](const PanelShot& q) { return barAt(q, start, ScreenLayout::Big, 1, 1); },
                              kWaitMs, &big));

    // Cursor left from line 1, column 1 wraps to line 12, column 40.
    ASSERT_TRUE(s.sendFromControl({0x89}));
    EXPECT_TRUE(s.waitForShot([&](const PanelShot& q) { return barAt(q, big, ScreenLayout::Big, 12, 40); },
                              kWaitMs, &p))
        << "no bar under line 12, column 40 of the big screen; strip 12 reads " << p.stripInk(ScreenLayout::Big, 12);
    s.key("Escape");
    EXPECT_TRUE(s.waitForShot([&](const PanelShot& q) { return barAt(q, normal, ScreenLayout::Normal, 12, 40); },
                              kWaitMs, &p))
        << "no bar under line 12, column 40; strip 12 reads " << p.stripInk(ScreenLayout::Normal, 12);
}

}  // namespace
}  // namespace vos::e2e
