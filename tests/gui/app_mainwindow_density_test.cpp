// The main window at the screen's pixel density. CTest runs this program on
// a 96-pixel-per-inch screen and again with QT_FONT_DPI at 72, 120, 144 and
// 192 (Qt scales the window itself by 1.25, 1.5 and 2 at the last three): at each the
// window takes the table's extra factor, fits the screen at its top centre,
// and stays one picture: the generated skin scaled with the controls, every
// lamp on its lamp window, every key region on its keycap and sending its
// code, the screen lines on the skin's black glass, the cursor bar at least
// 2 of the screen's pixels high (4 on the big screen).
#include "tests/support/main_window.h"

#include <QScreen>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/aux_commands.h"
#include "app/form1_design.h"
#include "design/lamps.h"
#include "input/hit_map.h"
#include "input/zoom.h"
#include "panel/lamps.h"
#include "panel/screen.h"
#include "platform/qt/graphic_control.h"
#include "platform/qt/picture.h"
#include "platform/qt/shape.h"
#include "tools/skingen/skin_geometry.h"

namespace vos::test {
namespace {

// The density the desktop is set to, as the environment of this run says.
int expectedPixelsPerInch() {
    const char* dpi = std::getenv("QT_FONT_DPI");
    const char* factor = std::getenv("QT_SCALE_FACTOR");
    return static_cast<int>(std::lround((dpi ? std::atoi(dpi) : 96) * (factor ? std::atof(factor) : 1.0)));
}

bool isKeycap(design::Rgb c) {
    const int lo = std::min({c.r, c.g, c.b}), hi = std::max({c.r, c.g, c.b});
    return lo >= 150 && hi - lo <= 70;
}
bool isDark(design::Rgb c) { return std::max({c.r, c.g, c.b}) < 110; }
bool isBlack(design::Rgb c) { return std::max({c.r, c.g, c.b}) <= 30; }

class DensityTest : public MainWindowTest {
protected:
    // The generated skins beside the program, as the installation lays them.
    void copySkins() {
        namespace fs = std::filesystem;
        const fs::path out = fs::path(VOS_BINARY_DIR) / "tools/skingen/out";
        fs::create_directories(folder.path() + "Skins");
        for (const char* name : {"num760f.jpg", "num760f@2x.jpg"})
            fs::copy_file(out / name, fs::path(folder.path() + "Skins") / name, fs::copy_options::overwrite_existing);
    }

    app::TForm1& start() {
        addPort(1);
        writeIni(iniText(1, "num760f.jpg"));
        copySkins();
        copyFont();
        app::TForm1& f = buildAndShow();
        dpr_ = f.form().devicePixelRatio();
        return f;
    }

    // The window's pixels for design pixel (x, y): the centre of what that
    // design pixel became.
    QPoint client(app::TForm1& f, double x, double y) const {
        const double s = static_cast<double>(f.form().clientWidth()) / design::kClientWidth;
        return {static_cast<int>((x + 0.5) * s), static_cast<int>((y + 0.5) * s)};
    }
    // The grabbed picture is in device pixels.
    design::Rgb shown(const Bitmap& img, QPoint p) const {
        return img.pixel(static_cast<int>(p.x() * dpr_ + dpr_ / 2), static_cast<int>(p.y() * dpr_ + dpr_ / 2));
    }

    double dpr_ = 1;
};

TEST_F(DensityTest, TheWindowTakesTheTableFactorAndFitsAtTheTopCentre) {
    app::TForm1& f = start();
    const int ppi = expectedPixelsPerInch();
    EXPECT_EQ(f.form().pixelsPerInch(), ppi);
    const int num = design::scalingNumerator(ppi).value_or(1000);  // every screen of this run fits it
    EXPECT_EQ(f.form().clientWidth(), std::lround(design::kClientWidth * num / 1000.0));
    EXPECT_EQ(f.form().clientHeight(), std::lround(design::kClientHeight * num / 1000.0));
    const design::Bounds area = f.form().availableArea();
    EXPECT_LE(f.form().clientWidth(), area.width);
    EXPECT_LE(f.form().clientHeight(), area.height);
    EXPECT_EQ(f.form().left(), area.left + (area.width - f.form().clientWidth()) / 2);
    EXPECT_EQ(f.form().top(), area.top);
    // The about box tells the density of the screen, not Qt's logical one.
    clearRecordedMessages();
    f.aux().LabelLogoClick();
    ASSERT_EQ(recordedMessages().size(), 1u);
    EXPECT_NE(recordedMessages()[0].second.find(" R\u00e9solution " + std::to_string(ppi) + " ppp"),
              std::string::npos);
    // Shown larger than its own pixels, the skin is drawn from its @2x picture.
    EXPECT_EQ(f.Fond.drawsSharp(), f.form().clientWidth() * dpr_ > design::kClientWidth);
}

TEST_F(DensityTest, LampsKeysAndLinesLieOnTheScaledSkin) {
    app::TForm1& f = start();
    const Bitmap dark = f.form().grab();
    for (int i = 0; i < design::lamps::kCount; ++i) f.lamps().led(i).show();
    const Bitmap lit = f.form().grab();
    for (int i = 0; i < design::lamps::kCount; ++i) {
        SCOPED_TRACE("Led" + std::to_string(i));
        const design::Bounds place = skingen::lampBounds(i);
        const QPoint centre = client(f, place.left + place.width / 2, place.top + place.height / 2);
        EXPECT_TRUE(isDark(shown(dark, centre)));
        EXPECT_EQ(shown(lit, centre), design::lamps::kTable[static_cast<std::size_t>(i)].color);
        const design::Bounds led = f.lamps().led(i).bounds();
        EXPECT_TRUE(QRect(led.left, led.top, led.width, led.height).contains(centre));
    }
    for (const skingen::KeyPlace& k : skingen::kKeys) {
        const design::Bounds& b = k.bounds;
        SCOPED_TRACE("key at " + std::to_string(b.left) + "," + std::to_string(b.top));
        // Along each of a key's edges, 3 design pixels inside, the keycap
        // shows: at a quarter, the middle or three quarters of the edge (one
        // of them at least, as the key's caption or lamp may lie over the
        // others once scaled).
        const auto keycapAlong = [&](int x0, int y0, int dx, int dy) {
            for (const double t : {0.25, 0.5, 0.75})
                if (isKeycap(shown(dark, client(f, x0 + t * dx, y0 + t * dy)))) return true;
            return false;
        };
        EXPECT_TRUE(keycapAlong(b.left + 3, b.top, 0, b.height)) << "left edge";
        EXPECT_TRUE(keycapAlong(b.left + b.width - 4, b.top, 0, b.height)) << "right edge";
        EXPECT_TRUE(keycapAlong(b.left, b.top + 3, b.width, 0)) << "top edge";
        EXPECT_TRUE(keycapAlong(b.left, b.top + b.height - 4, b.width, 0)) << "bottom edge";
        const QPoint middle = client(f, b.left + b.width / 2, b.top + b.height / 2);
        QTest::mousePress(f.form().window(), Qt::LeftButton, {}, middle);
        const auto hit = input::normalHit(b.left + b.width / 2, b.top + b.height / 2);
        ASSERT_TRUE(hit);
        Shape& frame = f.hitMap().frame(hit->frame);
        EXPECT_TRUE(frame.visible());
        EXPECT_TRUE(QRect(frame.left(), frame.top(), frame.width(), frame.height()).contains(middle));
        QTest::mouseRelease(f.form().window(), Qt::LeftButton, {}, middle);
        EXPECT_FALSE(frame.visible());
    }
    // The lines' cells lie on the glass; its margin round them is black, the
    // bezel beyond it is not.
    const design::Bounds glass = skingen::kScreenLinesBounds;
    for (int n = 1; n <= panel::Screen::kRows; ++n) {
        const design::Bounds line = f.screen().ligne(n).bounds();
        const auto [left, top] = f.form().toDesign(line.left, line.top);
        EXPECT_GE(left, glass.left - 1) << n;
        EXPECT_GE(top, glass.top - 1) << n;
        EXPECT_LE(f.form().toDesign(line.left + line.width, line.top + line.height).first,
                  glass.left + glass.width + 1) << n;
    }
    for (int y : {glass.top + 20, glass.top + glass.height / 2, glass.top + glass.height - 20}) {
        EXPECT_TRUE(isBlack(shown(dark, client(f, glass.left - 4, y)))) << y;
        EXPECT_TRUE(isBlack(shown(dark, client(f, glass.left + glass.width + 3, y)))) << y;
        EXPECT_FALSE(isBlack(shown(dark, client(f, glass.left - 20, y)))) << y;
        EXPECT_FALSE(isBlack(shown(dark, client(f, glass.left + glass.width + 20, y)))) << y;
    }
}

// Rows of the screen's pixels where the cursor bar shows under the cell at
// (row, column): bright rows across the middle of the cell, from the strip's
// top to below its bottom.
int barRows(app::TForm1& f, const Bitmap& img, double dpr, int row, int column) {
    const design::Bounds strip = f.screen().ligneC(row).bounds();
    const double cell = static_cast<double>(strip.width) / design::kColumns;
    const int x0 = static_cast<int>((strip.left + (column - 1 + 0.35) * cell) * dpr);
    const int x1 = static_cast<int>((strip.left + (column - 1 + 0.65) * cell) * dpr);
    int rows = 0;
    for (int y = static_cast<int>(strip.top * dpr) - 2; y < (strip.top + strip.height) * dpr + 4; ++y) {
        bool bright = false;
        for (int x = x0; x <= x1 && !bright; ++x) bright = std::min({img.pixel(x, y).r, img.pixel(x, y).g, img.pixel(x, y).b}) >= 128;
        rows += bright ? 1 : 0;
    }
    return rows;
}

TEST_F(DensityTest, TheCursorBarIsAtLeastTwoScreenPixelsHighAndFourOnTheBigScreen) {
    app::TForm1& f = start();
    panel::Screen& screen = f.screen();
    screen.LigneCurseur = 3;
    screen.ColonneCurseur = 7;
    screen.CurseurFixe();
    EXPECT_GE(barRows(f, f.form().grab(), dpr_, 3, 7), 2);
    EXPECT_EQ(barRows(f, f.form().grab(), dpr_, 3, 8), 0) << "the bar lies under its own cell";
    f.zoom().ChangerEcran();
    EXPECT_GE(barRows(f, f.form().grab(), dpr_, 3, 7), 4);
    f.zoom().ChangerEcran();
    EXPECT_GE(barRows(f, f.form().grab(), dpr_, 3, 7), 2);
}

// Full screen scales every control to the screen's factor, and back to the
// window gives every control its place and size again, whatever the
// density's factor was.
TEST_F(DensityTest, FullScreenAndBackGiveEveryControlItsPlaceAgain) {
    app::TForm1& f = start();
    const auto layout = [&f] {
        std::vector<std::pair<std::string, design::Bounds>> all;
        for (Control* c : f.form().controls()) all.emplace_back(c->name(), c->bounds());
        all.emplace_back("client", design::Bounds{f.form().left(), f.form().top(), f.form().clientWidth(),
                                                  f.form().clientHeight()});
        return all;
    };
    const auto before = layout();
    f.setFullScreen(true);
    const app::ScaleRatio fits = app::fullScreenScale(f.form().screenWidth(), f.form().screenHeight());
    EXPECT_EQ(f.form().clientWidth(), std::lround(double(design::kClientWidth) * fits.num / fits.den));
    EXPECT_EQ(f.form().clientHeight(), std::lround(double(design::kClientHeight) * fits.num / fits.den));
    EXPECT_EQ(f.form().left(), (f.form().screenWidth() - f.form().clientWidth()) / 2);
    f.setFullScreen(false);
    const auto after = layout();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        const design::Bounds& a = before[i].second;
        const design::Bounds& b = after[i].second;
        EXPECT_TRUE(a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height)
            << before[i].first << ": " << a.left << "," << a.top << " " << a.width << "x" << a.height << " became "
            << b.left << "," << b.top << " " << b.width << "x" << b.height;
    }
}

// A click sends the code of the key under it: a soft key, a machine key and
// the shifted map of the pad (right button), at their scaled places.
TEST_F(DensityTest, AClickSendsTheCodeOfTheKeyUnderIt) {
    app::TForm1& f = start();
    PtyPair& com1 = *ptys_.front();
    Bytes received;
    struct Press {
        int x, y;  // design pixels
        Qt::MouseButton button;
        std::uint8_t code;
    };
    for (const Press p : {Press{91, 411, Qt::LeftButton, 0x81}, Press{578, 67, Qt::LeftButton, 0x11},
                          Press{325, 660, Qt::RightButton, 0xA0}}) {
        const QPoint at = client(f, p.x, p.y);
        QTest::mouseClick(f.form().window(), p.button, {}, at);
        EXPECT_TRUE(receiveUntil(com1, received, [&](const Bytes& b) {
            return std::find(b.begin(), b.end(), p.code) != b.end();
        })) << "no code " << int(p.code) << " for the press at " << at.x() << "," << at.y();
        received.clear();
    }
}

}  // namespace
}  // namespace vos::test
