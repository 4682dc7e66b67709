// The character screen on real labels: cursor arithmetic, writes, clears,
// the cursor mark and its blink.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "panel/screen.h"
#include "platform/qt/form.h"
#include "platform/qt/label.h"

using vos::panel::Screen;

namespace {

constexpr int kRows = Screen::kRows;
const std::string kBlanks(40, ' ');

class PanelScreen : public ::testing::Test {
protected:
    vos::Form form{"TForm1", vos::FormStyle::Borderless};
    Screen screen{form};

    void at(int row, int col) {
        screen.LigneCurseur = static_cast<std::int8_t>(row);
        screen.ColonneCurseur = static_cast<std::int8_t>(col);
    }
    // Line n := "L<n>" pattern of 40 distinct characters, strip n := mark at n.
    void fillDistinct() {
        for (int n = 1; n <= kRows; ++n) {
            std::string t;
            for (int c = 0; c < 40; ++c) t += static_cast<char>('A' + (n + c) % 26);
            screen.ligne(n).setCaption(t);
            screen.ligneC(n).setCaption(vos::panel::stripCaption(n, 'E'));
        }
    }
    std::vector<std::string> captions() const {
        std::vector<std::string> v;
        for (int n = 1; n <= kRows; ++n) {
            v.push_back(screen.ligne(n).caption());
            v.push_back(screen.ligneC(n).caption());
        }
        return v;
    }
};

}  // namespace

TEST_F(PanelScreen, StartsOnNoCellWithTheDesignCaptionsAndLayout) {
    EXPECT_EQ(screen.LigneCurseur, 0);
    EXPECT_EQ(screen.ColonneCurseur, 0);
    EXPECT_FALSE(screen.ModeInsertion);
    EXPECT_FALSE(screen.CurseurVisible);
    EXPECT_FALSE(screen.ClignotementCurseur);
    const auto& ctl = form.controls();
    for (int n = 1; n <= kRows; ++n) {
        vos::Label& l = screen.ligne(n);
        vos::Label& s = screen.ligneC(n);
        char name[16];
        std::snprintf(name, sizeof name, "Ligne%02d", n);
        EXPECT_EQ(l.name(), name);
        EXPECT_EQ(s.name(), std::string(name) + "c");
        EXPECT_EQ(l.caption(), "1234567890123456789012345678901234567890");
        EXPECT_EQ(s.caption(), n == 12 ? "E234567890123456789012345678901234567890"
                                       : "1234567890123456789012345678901234567890");
        EXPECT_EQ(l.bounds(), (vos::design::Bounds{62, 78 + 22 * (n - 1), 400, 18}));
        // Right under the line, where it shows a 2-pixel bar.
        EXPECT_EQ(s.bounds(), (vos::design::Bounds{62, 96 + 22 * (n - 1), 400, 2}));
        EXPECT_TRUE(s.capTopAligned());
        EXPECT_FALSE(l.capTopAligned());
        EXPECT_TRUE(l.visible());
        EXPECT_TRUE(s.visible());
        EXPECT_EQ(l.font().face, "Lucida Sans Typewriter");
        EXPECT_TRUE(l.font().bold);
        EXPECT_EQ(l.font().pixelHeight, 16);
        EXPECT_EQ(l.font().color, vos::design::colors::White);
        EXPECT_EQ(s.font(), l.font());
        EXPECT_FALSE(l.transparent());
        EXPECT_EQ(l.color(), vos::design::colors::Black);
        EXPECT_EQ(l.cellWidth(), 10);
        // Every strip lies below every line (lines are drawn over strips).
        auto pos = [&](const vos::Control* c) { return std::find(ctl.begin(), ctl.end(), c) - ctl.begin(); };
        EXPECT_LT(pos(&s), pos(&screen.ligne(1)));
    }
}

TEST_F(PanelScreen, MovementsWrapAndNeverTouchALabel) {
    using Op = void (Screen::*)();
    struct Case {
        const char* what;
        Op op;
        int row, col, expRow, expCol;
    };
    const Case cases[] = {
        {"avance", &Screen::AvancerCurseur, 3, 7, 3, 8},
        {"avance fin de ligne", &Screen::AvancerCurseur, 3, 40, 4, 1},
        {"avance avant-dernière ligne", &Screen::AvancerCurseur, 11, 40, 12, 1},
        {"avance fin d'écran", &Screen::AvancerCurseur, 12, 40, 1, 1},
        {"avance depuis 0/40", &Screen::AvancerCurseur, 0, 40, 1, 1},
        {"avance depuis 0/0", &Screen::AvancerCurseur, 0, 0, 0, 1},
        {"recule", &Screen::ReculerCurseur, 5, 10, 5, 9},
        {"recule début de ligne", &Screen::ReculerCurseur, 5, 1, 4, 40},
        {"recule début d'écran", &Screen::ReculerCurseur, 1, 1, 12, 40},
        {"recule deuxième ligne", &Screen::ReculerCurseur, 2, 1, 1, 40},
        {"recule depuis 0/0", &Screen::ReculerCurseur, 0, 0, 12, 40},
        {"descend", &Screen::DescendreCurseur, 11, 7, 12, 7},
        {"descend bas d'écran", &Screen::DescendreCurseur, 12, 7, 1, 7},
        {"descend avant-dernière", &Screen::DescendreCurseur, 11, 7, 12, 7},
        {"descend depuis 0", &Screen::DescendreCurseur, 0, 0, 1, 0},
        {"monte", &Screen::MonterCurseur, 2, 7, 1, 7},
        {"monte haut d'écran", &Screen::MonterCurseur, 1, 7, 12, 7},
        {"monte depuis 0", &Screen::MonterCurseur, 0, 3, 12, 3},
        {"origine", &Screen::CurseurOrigine, 7, 33, 1, 1},
        {"début de ligne", &Screen::DebutLigne, 7, 33, 7, 1},
    };
    fillDistinct();
    const auto before = captions();
    for (const Case& c : cases) {
        at(c.row, c.col);
        (screen.*c.op)();
        EXPECT_EQ(screen.LigneCurseur, c.expRow) << c.what;
        EXPECT_EQ(screen.ColonneCurseur, c.expCol) << c.what;
    }
    EXPECT_EQ(captions(), before);
}

TEST_F(PanelScreen, WriteReplacesOnlyTheCursorCellAndShowsOAsOSlash) {
    struct Case {
        int row, col;
        std::uint8_t code, shown;
    };
    const Case cases[] = {
        {3, 40, 'x', 'x'}, {3, 1, 'O', 216}, {7, 20, 177, 177}, {12, 40, ' ', ' '},
        {5, 5, 216, 216},  {5, 6, 'o', 'o'},
    };
    for (const Case& c : cases) {
        fillDistinct();
        const auto before = captions();
        at(c.row, c.col);
        screen.EcrireCaractere(c.code);
        EXPECT_EQ(screen.LigneCurseur, c.row);  // a write does not move the cursor
        EXPECT_EQ(screen.ColonneCurseur, c.col);
        std::string expected = vos::panel::textFromCaption(before[2 * (c.row - 1)]);
        expected[c.col - 1] = static_cast<char>(c.shown);
        EXPECT_EQ(screen.lineText(c.row), expected);
        auto after = captions();
        after[2 * (c.row - 1)] = before[2 * (c.row - 1)];
        EXPECT_EQ(after, before) << "another label changed";
    }
    at(1, 1);
    screen.EcrireCaractere(177);
    screen.ColonneCurseur = 2;
    screen.EcrireCaractere('O');
    EXPECT_EQ(screen.ligne(1).caption().substr(0, 4), "\xC2\xB1\xC3\x98");  // "±Ø" in UTF-8
}

TEST_F(PanelScreen, AmpersandIsOneColumnAndDoubledInTheCaption) {
    screen.ligne(2).setCaption(kBlanks);
    at(2, 5);
    screen.EcrireCaractere('&');
    EXPECT_EQ(screen.ligne(2).caption(), "    &&" + std::string(35, ' '));
    EXPECT_EQ(screen.lineText(2), "    &" + std::string(35, ' '));
    // Columns after the "&" keep their place.
    at(2, 6);
    screen.EcrireCaractere('Z');
    at(2, 40);
    screen.EcrireCaractere('Y');
    EXPECT_EQ(screen.lineText(2), "    &Z" + std::string(33, ' ') + "Y");
    // Overwriting the "&" removes both ampersands of the caption.
    at(2, 5);
    screen.EcrireCaractere('B');
    EXPECT_EQ(screen.ligne(2).caption(), "    BZ" + std::string(33, ' ') + "Y");
    EXPECT_EQ(screen.ligne(2).shownText(), screen.lineText(2));
}

TEST_F(PanelScreen, ClearToEndOfLineCountsAShownAmpersandAsOneColumn) {
    struct Case {
        int col;
        std::string expectedText;
    };
    const std::string text = "AB&DEFGHIJKLMNOPQRSTUVWXYZ&bcdefghijklmn";  // 40 columns
    const Case cases[] = {
        {1, kBlanks},
        {0, kBlanks},
        {3, "AB" + std::string(38, ' ')},
        {4, "AB&" + std::string(37, ' ')},
        {11, "AB&DEFGHIJ" + std::string(30, ' ')},
        {40, text.substr(0, 39) + " "},
    };
    for (const Case& c : cases) {
        screen.ligne(6).setCaption(vos::panel::captionFromText(text));
        screen.ligneC(6).setCaption(vos::panel::stripCaption(9, 'E'));
        at(6, c.col);
        screen.EffacerFinLigne();
        EXPECT_EQ(screen.lineText(6), c.expectedText) << c.col;
        EXPECT_EQ(screen.ligne(6).caption(), vos::panel::captionFromText(c.expectedText));
        EXPECT_EQ(screen.ligneC(6).caption(), vos::panel::stripCaption(9, 'E'));
        EXPECT_EQ(screen.ColonneCurseur, c.col);
    }
}

TEST_F(PanelScreen, ClearToEndOfScreenKeepsWhatIsBeforeTheCursorAndHomes) {
    for (bool visible : {false, true}) {
        fillDistinct();
        const auto before = captions();
        screen.CurseurVisible = visible;
        at(5, 10);
        screen.EffacerFinEcran();
        EXPECT_EQ(screen.LigneCurseur, 1);
        EXPECT_EQ(screen.ColonneCurseur, 1);
        const auto after = captions();
        for (int n = 1; n <= 4; ++n) EXPECT_EQ(after[2 * (n - 1)], before[2 * (n - 1)]) << n;
        for (int n = 2; n <= 5; ++n) EXPECT_EQ(after[2 * n - 1], before[2 * n - 1]) << "strip " << n;
        EXPECT_EQ(screen.lineText(5), before[8].substr(0, 9) + std::string(31, ' '));
        for (int n = 6; n <= 12; ++n) {
            EXPECT_EQ(screen.ligne(n).caption(), kBlanks) << n;
            EXPECT_EQ(screen.ligneC(n).caption(), kBlanks) << n;
        }
        EXPECT_EQ(screen.ligneC(1).caption(), visible ? vos::panel::stripCaption(1, 'E') : before[1]);
    }
}

TEST_F(PanelScreen, ClearToEndOfScreenFromTheStartRowSparesRowOne) {
    fillDistinct();
    const std::string line1 = screen.ligne(1).caption();
    screen.ligneC(3).hide();
    screen.EffacerFinEcran();  // cursor at 0/0
    EXPECT_EQ(screen.ligne(1).caption(), line1);
    for (int n = 2; n <= 12; ++n) EXPECT_EQ(screen.ligne(n).caption(), kBlanks) << n;
    EXPECT_FALSE(screen.ligneC(3).visible()) << "a clear does not change a strip's visibility";
    EXPECT_EQ(screen.LigneCurseur, 1);
    EXPECT_EQ(screen.ColonneCurseur, 1);
}

TEST_F(PanelScreen, BannerLineOf39CharactersDropsAWriteAtColumn40) {
    const std::string banner39(39, '*');
    screen.ligne(4).setCaption(banner39);
    at(4, 40);
    screen.EcrireCaractere('X');
    EXPECT_EQ(screen.ligne(4).caption(), banner39);
    at(4, 39);
    screen.EcrireCaractere('X');
    EXPECT_EQ(screen.lineText(4), std::string(38, '*') + "X");
    // A clear always leaves 40 columns; then column 40 takes a write.
    at(4, 20);
    screen.EffacerFinLigne();
    EXPECT_EQ(screen.lineText(4).size(), 40u);
    at(4, 40);
    screen.EcrireCaractere('X');
    EXPECT_EQ(screen.lineText(4)[39], 'X');
}

TEST_F(PanelScreen, WritesOffTheScreenAreDropped) {
    fillDistinct();
    const auto before = captions();
    for (auto [row, col] : {std::pair{0, 0}, {0, 5}, {1, 0}}) {
        at(row, col);
        screen.EcrireCaractere('Q');
        screen.AfficherCurseur();
    }
    EXPECT_EQ(captions(), before);
}

TEST_F(PanelScreen, CursorMarkIsDrawnOnlyOnTheCursorRowWhenVisible) {
    fillDistinct();
    auto before = captions();
    at(3, 7);
    screen.AfficherCurseur();  // cursor off: nothing
    EXPECT_EQ(captions(), before);
    screen.CurseurFixe();
    EXPECT_EQ(screen.ligneC(3).caption(), vos::panel::stripCaption(7, 'E'));
    // Moving down then right: the old row keeps its mark.
    screen.DescendreCurseur();
    screen.AfficherCurseur();
    screen.AvancerCurseur();
    screen.AfficherCurseur();
    EXPECT_EQ(screen.ligneC(3).caption(), vos::panel::stripCaption(7, 'E'));
    EXPECT_EQ(screen.ligneC(4).caption(), vos::panel::stripCaption(8, 'E'));
    before[5] = screen.ligneC(3).caption();
    before[7] = screen.ligneC(4).caption();
    EXPECT_EQ(captions(), before);
}

TEST_F(PanelScreen, CursorOffBlanksAndHidesAllStripsThenSteadyShowsAtNextTick) {
    fillDistinct();
    screen.CurseurClignotant();
    screen.EteindreCurseur();
    for (int n = 1; n <= kRows; ++n) {
        EXPECT_EQ(screen.ligneC(n).caption(), kBlanks);
        EXPECT_FALSE(screen.ligneC(n).visible());
    }
    EXPECT_TRUE(screen.ClignotementCurseur);
    EXPECT_FALSE(screen.CurseurVisible);
    at(2, 5);
    screen.CurseurFixe();
    EXPECT_EQ(screen.ligneC(2).caption(), vos::panel::stripCaption(5, 'E'));
    EXPECT_FALSE(screen.ligneC(2).visible());
    screen.blink();
    EXPECT_TRUE(screen.ligneC(2).visible());
    screen.blink();
    EXPECT_TRUE(screen.ligneC(2).visible());  // steady: stays shown
    for (int n = 1; n <= kRows; ++n) {
        if (n != 2) {
            EXPECT_FALSE(screen.ligneC(n).visible()) << n;
        }
    }
}

TEST_F(PanelScreen, BlinkTogglesOnlyTheCursorRowStrip) {
    screen.CurseurClignotant();
    at(12, 3);
    for (int tick = 0; tick < 4; ++tick) {
        screen.blink();
        EXPECT_EQ(screen.ligneC(12).visible(), tick % 2 == 1) << tick;
        for (int n = 1; n < kRows; ++n) EXPECT_TRUE(screen.ligneC(n).visible());
    }
    at(0, 3);
    screen.ligneC(12).hide();
    screen.blink();  // off the screen: nothing
    for (int n = 1; n < kRows; ++n) EXPECT_TRUE(screen.ligneC(n).visible());
    EXPECT_FALSE(screen.ligneC(12).visible());
}
