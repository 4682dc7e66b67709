// Labels on a real form: captions as drawn ("&&" shown as one "&"), opaque and
// transparent backgrounds, the fixed-cell grid, z-order between controls.
#include <gtest/gtest.h>

#include <QWidget>

#include "platform/qt/form.h"
#include "platform/qt/graphic_control.h"
#include "platform/qt/label.h"
#include "platform/qt/shape.h"

namespace vos {
namespace {

struct LabelFixture : ::testing::Test {
    Form form{"FormTest", FormStyle::Borderless};
    LabelFixture() {
        form.setClientSize(200, 100);
        form.setColor(design::colors::Blue);
    }
    // Columns [x0, x1) of row band [y0, y1) that hold at least one pixel of color c.
    static int countColumnsWith(const Bitmap& b, design::Rgb c, int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int x = x0; x < x1; ++x)
            for (int y = y0; y < y1; ++y)
                if (b.pixel(x, y) == c) {
                    ++n;
                    break;
                }
        return n;
    }
};

TEST_F(LabelFixture, ShownTextCollapsesDoubledAmpersandsOnly) {
    Label& l = form.addLabel("Ligne01");
    const struct { const char* caption; const char* shown; } cases[] = {
        {"A&&B", "A&B"}, {"&&&&", "&&"}, {"&&&", "&&"}, {"A&B", "A&B"}, {"&", "&"}, {"", ""},
        {"Fin &&", "Fin &"},
    };
    for (const auto& c : cases) {
        l.setCaption(c.caption);
        EXPECT_EQ(l.caption(), c.caption);
        EXPECT_EQ(l.shownText(), c.shown) << c.caption;
    }
}

TEST_F(LabelFixture, ObjectNamesAreControlNames) {
    Label& l = form.addLabel("Ligne07");
    EXPECT_EQ(l.widget()->objectName().toStdString(), "Ligne07");
    EXPECT_EQ(form.find("Ligne07"), &l);
    EXPECT_EQ(form.find("Ligne08"), nullptr);
}

TEST_F(LabelFixture, OpaqueLabelFillsItsColorTransparentShowsTheForm) {
    Label& opaque = form.addLabel("Opaque");
    opaque.setBounds({0, 0, 50, 20});
    opaque.setColor(design::colors::Black);
    Label& clear = form.addLabel("Clear");
    clear.setBounds({100, 0, 50, 20});
    clear.setColor(design::colors::Black);
    clear.setTransparent(true);
    const Bitmap b = form.grab();
    EXPECT_EQ(b.pixel(25, 10), design::colors::Black);
    EXPECT_EQ(b.pixel(125, 10), design::colors::Blue);
}

// The "&&" of a caption is drawn as one glyph: "&&" and "&" draw the same
// pixels, and differ from "&&&&" (two glyphs).
TEST_F(LabelFixture, DoubledAmpersandIsDrawnAsOneCharacter) {
    Label& l = form.addLabel("Amp");
    l.setBounds({0, 0, 200, 30});
    l.setFont({"Monospace", 20, true, false, design::colors::White});
    l.setCellWidth(20);
    auto inkColumns = [&](const char* caption) {
        l.setCaption(caption);
        return countColumnsWith(form.grab(), design::colors::White, 0, 200, 0, 30);
    };
    const int one = inkColumns("&");
    ASSERT_GT(one, 0);
    EXPECT_EQ(inkColumns("&&"), one);
    EXPECT_GT(inkColumns("&&&&"), one);
    // Two glyphs in the grid: the second starts in the second cell.
    l.setCaption("&&&&");
    const Bitmap b = form.grab();
    EXPECT_GT(countColumnsWith(b, design::colors::White, 20, 40, 0, 30), 0);
    EXPECT_EQ(countColumnsWith(b, design::colors::White, 40, 200, 0, 30), 0);
}

TEST_F(LabelFixture, GridModePutsEachCharacterInItsCell) {
    Label& l = form.addLabel("Grid");
    l.setBounds({0, 0, 200, 30});
    l.setFont({"Monospace", 16, true, false, design::colors::White});
    l.setCellWidth(10);
    l.setCaption("X    X");  // characters in cells 0 and 5
    const Bitmap b = form.grab();
    EXPECT_GT(countColumnsWith(b, design::colors::White, 0, 10, 0, 30), 0);
    EXPECT_EQ(countColumnsWith(b, design::colors::White, 12, 50, 0, 30), 0);
    EXPECT_GT(countColumnsWith(b, design::colors::White, 50, 60, 0, 30), 0);
}

TEST_F(LabelFixture, TextIsClippedToTheLabelHeight) {
    Label& strip = form.addLabel("Ligne01c");
    strip.setBounds({0, 10, 100, 4});
    strip.setFont({"Monospace", 16, true, false, design::colors::White});
    strip.setCellWidth(10);
    strip.setCaption("\xe2\x96\x88\xe2\x96\x88");  // full blocks
    const Bitmap b = form.grab();
    EXPECT_EQ(countColumnsWith(b, design::colors::White, 0, 100, 14, 40), 0);
    EXPECT_EQ(b.pixel(5, 20), design::colors::Blue);
}

TEST_F(LabelFixture, LaterControlPaintsOverEarlierAndRaiseLowerSwapThem) {
    Label& below = form.addLabel("Below");
    below.setBounds({10, 10, 40, 40});
    below.setColor(design::colors::Red);
    Shape& above = form.addShape("Above");
    above.setBounds({10, 10, 40, 40});
    above.setBrushColor(design::colors::Lime);
    above.setPenColor(design::colors::Lime);
    EXPECT_EQ(form.grab().pixel(30, 30), design::colors::Lime);
    below.bringToFront();
    EXPECT_EQ(form.grab().pixel(30, 30), design::colors::Red);
    below.sendToBack();
    EXPECT_EQ(form.grab().pixel(30, 30), design::colors::Lime);
    above.hide();
    EXPECT_EQ(form.grab().pixel(30, 30), design::colors::Red);
}

TEST_F(LabelFixture, HiddenOpaqueLabelShowsWhatLiesBelowUntilShownAgain) {
    Label& l = form.addLabel("Ligne05");
    l.setBounds({0, 0, 60, 20});
    l.setColor(design::colors::Black);
    l.hide();
    l.setCaption("changed while hidden");
    EXPECT_FALSE(l.visible());
    EXPECT_EQ(form.grab().pixel(30, 10), design::colors::Blue);
    l.show();
    EXPECT_EQ(form.grab().pixel(58, 18), design::colors::Black);
}

TEST_F(LabelFixture, AutoSizeFollowsCaptionAndGrid) {
    Label& l = form.addLabel("Auto");
    l.setBounds({5, 5, 1, 1});
    l.setCellWidth(10);
    l.setAutoSize(true);
    l.setCaption("A&&BC");  // shown as 4 characters
    EXPECT_EQ(l.width(), 40);
    EXPECT_GT(l.height(), 0);
    EXPECT_EQ(l.left(), 5);
}

TEST_F(LabelFixture, ScaleByScalesPlaceSizeFontAndCells) {
    Label& l = form.addLabel("Scaled");
    l.setBounds({80, 40, 400, 16});
    l.setFontPixels(16);
    l.setCellWidth(10);
    l.scaleBy(875, 1000);
    EXPECT_EQ(l.bounds(), (design::Bounds{70, 35, 350, 14}));
    EXPECT_EQ(l.font().pixelHeight, 14);
    // Exact: 40 cells of 9 pixels would run 10 pixels past the 350-pixel label.
    EXPECT_DOUBLE_EQ(l.cellWidth(), 8.75);
}

}  // namespace
}  // namespace vos
