// The send side of the installed program, read on the control's end of the
// line: real mouse presses on the panel picture and real keys become their
// one-byte codes, dropped into the stream of idle bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/e2e/panel_session.h"

namespace vos::e2e {
namespace {

using Codes = std::vector<std::uint8_t>;

// One operator action (or a few, in order) and every code it must send. A
// press that must send nothing is followed by one that sends: when the second
// code arrives, the first press has been handled too.
struct Action {
    const char* what;
    std::function<void(PanelSession&)> act;
    Codes codes;
};

void click(PanelSession& s, int x, int y, Button b = Button::Left) { s.clickAt(x, y, b); }

const std::vector<Action>& actions() {
    static const std::vector<Action> table{
        {"left click in soft key 1 (76..106, 395..427)", [](auto& s) { click(s, 91, 411); }, {0x81}},
        {"left clicks just outside soft key 1, then on its corner",
         [](auto& s) { click(s, 75, 395); click(s, 107, 427); click(s, 91, 394); click(s, 76, 395); },
         {0x81}},
        {"left click on soft key 2", [](auto& s) { click(s, 131, 411); }, {0x80}},
        {"left click on machine row 1 column 1 (frame only), then column 2",
         [](auto& s) { click(s, 540, 67); click(s, 578, 67); },
         {0x11}},
        {"double click on soft key 9: two presses, two codes", [](auto& s) { s.doubleClickAt(403, 411); }, {0x98, 0x98}},
        {"left click on row E column 8 (frame only), then right click on it",
         [](auto& s) { click(s, 364, 616); click(s, 364, 616, Button::Right); },
         {0xB7}},
        {"middle click on row E column 8 (nothing), then shift + left click on it",
         [](auto& s) { click(s, 364, 616, Button::Middle); s.clickHolding(364, 616, Button::Left, "shift"); },
         {0xB7}},
        {"right clicks on soft key 1 and row F column 1 (nothing), then on row F column 7",
         [](auto& s) { click(s, 91, 411, Button::Right); click(s, 91, 660, Button::Right); click(s, 325, 660, Button::Right); },
         {0xA0}},
        {"key F1", [](auto& s) { s.key("F1"); }, {0x81}},
        {"key a", [](auto& s) { s.key("a"); }, {0xC1}},
        {"key Left", [](auto& s) { s.key("Left"); }, {0x89}},
        {"keys Return, u and z (nothing), then shift+t",
         [](auto& s) { s.key("Return"); s.key("u"); s.key("z"); s.key("shift+t"); },
         {0xD4}},
        {"keys F2, F9, F10", [](auto& s) { s.key("F2"); s.key("F9"); s.key("F10"); }, {0x80, 0x98, 0x99}},
        {"keys Right, Up, Down, BackSpace, Insert, Delete",
         [](auto& s) { for (const char* k : {"Right", "Up", "Down", "BackSpace", "Insert", "Delete"}) s.key(k); },
         {0x88, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F}},
        {"keys space, 0, plus, at", [](auto& s) { for (const char* k : {"space", "0", "plus", "at"}) s.key(k); },
         {0xA0, 0xB0, 0xAB, 0xC0}},
    };
    return table;
}

std::string hex(const Codes& codes) {
    std::string s;
    char buf[8];
    for (std::uint8_t c : codes) {
        std::snprintf(buf, sizeof buf, " %02X", c);
        s += buf;
    }
    return "{" + s + " }";
}

// Runs the actions in order; each must send exactly its codes, then idle
// bytes again.
void expectCodes(PanelSession& s, const std::vector<Action>& actions) {
    for (const Action& a : actions) {
        SCOPED_TRACE(a.what);
        const std::size_t mark = s.line().size();
        a.act(s);
        // All codes, then idle bytes again after the last one (the mark
        // itself follows the idle bytes after the previous action).
        const bool complete = s.line().waitFor(mark, [&](const Codes& bytes) {
            Codes codes;
            std::size_t idleAfter = 0;
            for (std::uint8_t b : bytes) {
                if (b != 0x00) {
                    codes.push_back(b);
                    idleAfter = 0;
                } else {
                    ++idleAfter;
                }
            }
            return codes.size() >= a.codes.size() && idleAfter >= 20;
        }, kWaitMs);
        EXPECT_TRUE(complete) << "missing codes, or no idle bytes after them";
        EXPECT_EQ(hex(s.line().codesSince(mark)), hex(a.codes));
    }
}

TEST(Send, PanelClicksAndKeysSendTheirCodesAmongIdleBytes) {
    PanelSession s;
    ASSERT_TRUE(s.startUntilBanner());
    expectCodes(s, actions());
    EXPECT_TRUE(s.program().running());
}

void keys(PanelSession& s, std::initializer_list<const char*> names) {
    for (const char* k : names) s.key(k);
}

// Under a French (AZERTY) layout, by X keysym: xdotool presses the Shift or
// AltGr each one needs there. What counts is the character a key makes.
const std::vector<Action>& frenchActions() {
    static const std::vector<Action> table{
        {"dead keys: ^e (ê), ^space (^), ¨a (ä), ^^ (^) send nothing, nor their last key; then a",
         [](auto& s) {
             keys(s, {"dead_circumflex", "e", "dead_circumflex", "space", "dead_diaeresis", "a", "dead_circumflex",
                      "dead_circumflex", "a"});
         },
         {0xC1}},
        {"^ then t, which it does not accent: t", [](auto& s) { keys(s, {"dead_circumflex", "t"}); }, {0xD4}},
        {"AltGr: @ and # send, [ \\ | € } do not",
         [](auto& s) { keys(s, {"bracketleft", "backslash", "bar", "EuroSign", "braceright", "at", "numbersign"}); },
         {0xC0, 0xA3}},
        {"digit row unshifted: à ç _ è é (nothing), & \" ' ( -",
         [](auto& s) {
             keys(s, {"agrave", "ccedilla", "underscore", "egrave", "eacute", "ampersand", "quotedbl", "apostrophe",
                      "parenleft", "minus"});
         },
         {0xA6, 0xA2, 0xA7, 0xA8, 0xAD}},
        {"digit row shifted: 1 to 0", [](auto& s) { keys(s, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"}); },
         {0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xB0}},
        {"Ctrl chords send no character (Ctrl+C copies); Ctrl+F3 is F3",
         [](auto& s) {
             keys(s, {"ctrl+1", "ctrl+ampersand", "ctrl+eacute", "ctrl+9", "ctrl+0", "ctrl+minus", "ctrl+a", "ctrl+c",
                      "ctrl+plus", "ctrl+F3"});
         },
         {0x82}},
        {"Execute, bound to a key of its own", [](auto& s) { s.key("Execute"); }, {0x8A}},
    };
    return table;
}

TEST(Send, UnderAFrenchLayoutCharactersSendWhatTheyAre) {
    PanelSession s;
    s.x().setKeyboard("fr", "key <FK13> { [ Execute ] };");
    ASSERT_TRUE(s.startUntilBanner());
    expectCodes(s, frenchActions());
    EXPECT_TRUE(s.program().running());
}

// At twice the desktop's scale (192 pixels per inch in the screen's pixels)
// the panel is one picture fitted to the screen at its top centre: the
// banner on the scaled lines, the skin's keycaps under the key regions, and
// a click sends the code of the key under it. Points are design pixels,
// which the session maps onto the scaled window.
TEST(Send, AtTwiceTheDesktopScaleTheFittedPanelSendsTheKeyClicked) {
    PanelSession s({PanelSetup::Ini::Installed, "", false, {"QT_SCALE_FACTOR=2"}});
    ASSERT_TRUE(s.startUntilBanner());
    const WindowGeometry g = s.windowGeometry();
    EXPECT_GT(s.scale(), 1.0);
    EXPECT_LE(g.width, kScreenWidth);
    EXPECT_LE(g.height, kScreenHeight);
    EXPECT_NEAR(g.x, (kScreenWidth - g.width) / 2, 1);  // centred in the desktop's pixels
    EXPECT_EQ(g.y, 0);
    const PanelShot p = s.shot();
    for (const QPoint key : {QPoint(91, 411), QPoint(578, 67), QPoint(325, 660)}) {
        const QRgb c = p.pixel(key.x(), key.y());
        EXPECT_GE(std::min({qRed(c), qGreen(c), qBlue(c)}), 150) << "no keycap at " << key.x() << "," << key.y();
    }
    EXPECT_TRUE(p.allDark(QRect(62, 78, 400, 60))) << "the screen's glass (blank lines 1 to 3)";
    for (const Action& a : std::vector<Action>{
             {"left click on soft key 1", [](auto& s) { click(s, 91, 411); }, {0x81}},
             {"left click on machine row 1 column 2", [](auto& s) { click(s, 578, 67); }, {0x11}},
             {"right click on row F column 7", [](auto& s) { click(s, 325, 660, Button::Right); }, {0xA0}},
         })
        expectCodes(s, {a});
}

TEST(Send, APressShowsTheKeyFrameUntilTheRelease) {
    PanelSession s;
    ASSERT_TRUE(s.startUntilBanner());
    // Soft key 1's frame (Shape56) is a 36 x 36 white square at (73, 393)
    // with a pen of 2: probe the middle of its top and left edges.
    auto frameShown = [](const PanelShot& p) {
        return p.pixelIs(91, 394, Color::White) && p.pixelIs(74, 411, Color::White);
    };
    const PanelShot before = s.shot();
    EXPECT_FALSE(frameShown(before));
    const QRect key(73, 393, 36, 36);

    s.pressAt(91, 411);
    PanelShot held;
    EXPECT_TRUE(s.waitForShot(frameShown, kWaitMs, &held)) << "no frame while the button is held";
    s.release();
    PanelShot released;
    EXPECT_TRUE(s.waitForShot([&](const PanelShot& p) { return p.region(key) == before.region(key); }, kWaitMs,
                              &released))
        << "the key does not look as before after the release";
}

}  // namespace
}  // namespace vos::e2e
