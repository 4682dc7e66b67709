// Screen change and the 300-ms tick, on the real screen labels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/zoom.h"
#include "panel/screen.h"
#include "platform/qt/desktop.h"
#include "platform/qt/form.h"
#include "platform/qt/graphic_control.h"
#include "platform/qt/label.h"
#include "platform/qt/shape.h"

namespace vos {
namespace {

// Everything ChangerEcran may touch, plus what it must not.
struct LabelState {
    design::Bounds bounds;
    FontSpec font;
    double cellWidth;
    bool visible;
    std::string caption;
    bool operator==(const LabelState&) const = default;
};

struct Snapshot {
    std::vector<LabelState> labels;
    bool bigScreen;
    bool operator==(const Snapshot&) const = default;
};

class ZoomTest : public ::testing::Test {
protected:
    Snapshot snapshot() {
        Snapshot s{{}, zoom.grandeVisu().visible()};
        for (int n = 1; n <= 12; ++n)
            for (Label* l : {&screen.ligne(n), &screen.ligneC(n)})
                s.labels.push_back({l->bounds(), l->font(), l->cellWidth(), l->visible(), l->caption()});
        return s;
    }

    Form form{"TForm1", FormStyle::Borderless};
    input::Zoom zoom{form, screen};  // created before the screen, as the main window does
    panel::Screen screen{form};
};

TEST_F(ZoomTest, ControlsAsDesigned) {
    Shape& gv = zoom.grandeVisu();
    EXPECT_EQ(form.find("GrandeVisu"), &gv);
    EXPECT_EQ(gv.bounds(), (design::Bounds{40, 49, 792, 630}));
    EXPECT_FALSE(gv.visible());
    EXPECT_FALSE(gv.brushClear());
    EXPECT_EQ(gv.brushColor(), design::colors::Black);
    EXPECT_EQ(gv.penColor(), design::colors::Black);

    Label& area = zoom.labelChgtEcran();
    EXPECT_EQ(form.find("LabelChgtEcran"), &area);
    EXPECT_EQ(area.bounds(), (design::Bounds{8, 53, 25, 25}));
    EXPECT_TRUE(area.transparent());
    EXPECT_EQ(area.hint(), "Zoom");
    EXPECT_EQ(area.caption(), "");

    Label& caption = zoom.zoomCaption();
    EXPECT_EQ(caption.caption(), "ZOOM");
    EXPECT_EQ(caption.left(), 6);
    EXPECT_EQ(caption.top(), 81);
    EXPECT_EQ(caption.font().face, "Arial");
    EXPECT_EQ(caption.font().pixelHeight, 9);
    EXPECT_EQ(caption.font().color, design::colors::White);
    EXPECT_EQ(caption.hint(), "Zoom");
    EXPECT_FALSE(zoom.ModeZoom());
}

TEST_F(ZoomTest, BigScreenLayout) {
    screen.ligne(3).setCaption("ABC");
    screen.ligneC(5).hide();
    const Snapshot before = snapshot();
    zoom.ChangerEcran();
    EXPECT_TRUE(zoom.ModeZoom());
    EXPECT_TRUE(zoom.grandeVisu().visible());
    const design::Bounds frame = zoom.grandeVisu().bounds();
    for (int n = 1; n <= 12; ++n) {
        const Label& line = screen.ligne(n);
        const Label& strip = screen.ligneC(n);
        EXPECT_EQ(line.bounds(), (design::Bounds{62, 78 + 44 * (n - 1), 770, 36})) << n;
        EXPECT_EQ(line.font().pixelHeight, 32) << n;
        EXPECT_DOUBLE_EQ(line.cellWidth(), 19.25) << n;  // 40 cells up to the frame's right edge
        EXPECT_EQ(strip.bounds(), (design::Bounds{62, 114 + 44 * (n - 1), 770, 4})) << n;
        EXPECT_EQ(strip.font().pixelHeight, 32) << n;
        EXPECT_DOUBLE_EQ(strip.cellWidth(), 19.25) << n;
        for (const Label* l : {&line, &strip}) {
            EXPECT_GE(l->left(), frame.left) << l->name();
            EXPECT_LE(l->left() + l->width(), frame.left + frame.width) << l->name();
            EXPECT_LE(l->top() + l->height(), frame.top + frame.height) << l->name();
        }
        // Only the layout changes: text, face, colors and visibility stay.
        const LabelState& was = before.labels[static_cast<std::size_t>(2 * (n - 1))];
        EXPECT_EQ(line.caption(), was.caption);
        EXPECT_EQ(line.font().face, was.font.face);
        EXPECT_EQ(line.font().bold, was.font.bold);
        EXPECT_EQ(line.font().color, was.font.color);
        EXPECT_EQ(strip.visible(), n != 5);
    }
}

int whiteRows(const Bitmap& img, int x0, int x1, int y0, int y1) {
    int rows = 0;
    for (int y = y0; y < y1; ++y) {
        int white = 0;
        for (int x = x0; x < x1; ++x) {
            const design::Rgb c = img.pixel(x, y);
            white += c.r > 160 && c.g > 160 && c.b > 160 ? 1 : 0;
        }
        rows += white >= 3 ? 1 : 0;
    }
    return rows;
}

// Drawn: on a grey window, so that anything black standing out of the big
// screen's frame shows. Every line holds a character in column 40 and the
// cursor bar is under column 40 of line 12. Nothing changes right of the
// frame (the bezel with AIDE, minimise and FIN), column 40 and its bar show
// inside it, and the bar is 2 pixels high on the normal screen, 4 on the
// big one.
TEST_F(ZoomTest, TheBigScreenStaysInsideItsFrameUpToColumn40WithAClearCursorBar) {
    ASSERT_TRUE(installFont("/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf"));
    form.setColor(design::colors::Gray);
    form.setClientSize(870, 720);
    for (int n = 1; n <= 12; ++n) screen.ligne(n).setCaption(std::string(39, ' ') + "W");
    screen.LigneCurseur = 12;
    screen.ColonneCurseur = 40;
    screen.CurseurFixe();
    const design::Bounds frame = zoom.grandeVisu().bounds();
    const int frameRight = frame.left + frame.width;
    const Bitmap normal = form.grab();
    const design::Bounds bar = screen.ligneC(12).bounds();
    zoom.ChangerEcran();
    const Bitmap big = form.grab();
    for (int y = 0; y < 720; ++y)
        for (int x = frameRight; x < 870; ++x)
            ASSERT_EQ(big.pixel(x, y), normal.pixel(x, y)) << "right of the frame at " << x << "," << y;
    const int col40 = 62 + 39 * 77 / 4;  // 812.75
    for (int n = 1; n <= 12; ++n) {
        const design::Bounds line = screen.ligne(n).bounds();
        EXPECT_GT(whiteRows(big, col40 + 1, frameRight, line.top, line.top + line.height), 10) << "line " << n;
    }
    const design::Bounds bigBar = screen.ligneC(12).bounds();
    EXPECT_GE(whiteRows(big, col40 + 1, frameRight, bigBar.top, bigBar.top + bigBar.height), 4);
    EXPECT_EQ(whiteRows(big, 62, col40 - 1, bigBar.top, bigBar.top + bigBar.height), 0) << "bar elsewhere";
    const int normalCol40 = 62 + 39 * 10;
    EXPECT_GE(whiteRows(normal, normalCol40, normalCol40 + 10, bar.top, bar.top + bar.height), 2);
    EXPECT_EQ(whiteRows(normal, 62, normalCol40 - 1, bar.top, bar.top + bar.height), 0) << "bar elsewhere";
}

TEST_F(ZoomTest, TwoChangesGiveBackTheStartLayout) {
    const Snapshot start = snapshot();
    EXPECT_EQ(screen.ligne(1).bounds(), (design::Bounds{62, 78, 400, 18}));
    EXPECT_EQ(screen.ligneC(12).bounds(), (design::Bounds{62, 338, 400, 2}));
    zoom.ChangerEcran();
    EXPECT_NE(snapshot(), start);
    zoom.ChangerEcran();
    EXPECT_FALSE(zoom.ModeZoom());
    EXPECT_EQ(snapshot(), start);
}

TEST_F(ZoomTest, AnyButtonOnTheZoomAreaSwitches) {
    auto& press = zoom.labelChgtEcran().onMouseDown;
    ASSERT_TRUE(press);
    bool expected = false;
    for (MouseButton b : {MouseButton::Left, MouseButton::Right, MouseButton::Middle, MouseButton::Left}) {
        press(b, ShiftState{}, 3, 3);
        expected = !expected;
        EXPECT_EQ(zoom.ModeZoom(), expected);
        EXPECT_EQ(zoom.grandeVisu().visible(), expected);
    }
}

TEST_F(ZoomTest, BlinkInBothModes) {
    screen.LigneCurseur = 12;
    screen.ColonneCurseur = 1;
    screen.CurseurClignotant();
    for (bool big : {false, true}) {
        if (big) zoom.ChangerEcran();
        Label& strip = screen.ligneC(12);
        const bool first = strip.visible();
        zoom.Timer3Timer();
        EXPECT_NE(strip.visible(), first) << big;
        zoom.Timer3Timer();
        EXPECT_EQ(strip.visible(), first) << big;
        EXPECT_TRUE(screen.ligneC(11).visible());  // other strips untouched
    }
    EXPECT_EQ(screen.ligneC(12).top(), 598);

    // A steady cursor is kept shown.
    screen.CurseurFixe();
    screen.ligneC(12).hide();
    zoom.Timer3Timer();
    EXPECT_TRUE(screen.ligneC(12).visible());
    zoom.Timer3Timer();
    EXPECT_TRUE(screen.ligneC(12).visible());
}

TEST_F(ZoomTest, SwitchingModesDoesNotShowAHiddenCursor) {
    screen.EteindreCurseur();
    zoom.ChangerEcran();
    zoom.ChangerEcran();
    for (int n = 1; n <= 12; ++n) EXPECT_FALSE(screen.ligneC(n).visible()) << n;
}

TEST_F(ZoomTest, StatusLightsFollowTheLinkControls) {
    Label& labelNoCom = form.addLabel("LabelNoCom");
    Label& txd = form.addLabel("TXDLight");
    Label& rxd = form.addLabel("RXDLight");
    Label& ok = form.addLabel("OKLight");
    auto lights = [&] { return std::vector<bool>{txd.visible(), rxd.visible(), ok.visible()}; };

    zoom.Timer3Timer();  // not wired yet: nothing to hide
    EXPECT_EQ(lights(), (std::vector<bool>{true, true, true}));

    zoom.setLinkControls(labelNoCom, txd, rxd, ok);
    labelNoCom.hide();
    zoom.Timer3Timer();
    EXPECT_EQ(lights(), (std::vector<bool>{false, false, false}));

    labelNoCom.show();
    txd.show();
    rxd.show();
    ok.show();
    zoom.Timer3Timer();
    zoom.Timer3Timer();
    EXPECT_EQ(lights(), (std::vector<bool>{true, true, true}));

    labelNoCom.hide();
    rxd.show();
    zoom.Timer3Timer();
    EXPECT_EQ(lights(), (std::vector<bool>{false, false, false}));
}

}  // namespace
}  // namespace vos
