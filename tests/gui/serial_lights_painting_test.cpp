// Painting of the status lights on real graphic controls: the fill, the
// raised edge, the glyph variant and its forced size.
#include <gtest/gtest.h>

#include "platform/qt/form.h"
#include "platform/qt/graphic_control.h"
#include "serial/status_light.h"

namespace vos {
namespace {

constexpr design::Rgb kWhite = design::colors::White;
constexpr design::Rgb kGrey{128, 128, 128};

class LightPaintTest : public ::testing::Test {
protected:
    Form form{"Form1", FormStyle::Borderless};
};

// Expected color of pixel (x, y) of a plain light of size w x h.
design::Rgb expectedPlain(int x, int y, int w, int h, design::Rgb fill) {
    if (y == 0 || x == 0) return kWhite;            // top row, left column
    if (x == w - 1 || y == h - 1) return kGrey;     // right column, bottom row
    return fill;
}

struct PlainCase {
    design::Bounds bounds;
    design::Rgb lit, notLit;
    bool on;
};

TEST_F(LightPaintTest, PlainLightEveryPixel) {
    const PlainCase cases[] = {
        {{0, 0, 13, 13}, design::colors::Red, design::colors::Green, false},
        {{0, 0, 13, 13}, design::colors::Red, design::colors::Green, true},
        {{190, 700, 20, 9}, design::colors::Yellow, design::colors::Red, true},      // OKLight
        {{385, 700, 20, 9}, design::colors::Lime, design::colors::Silver, false},    // TXDLight
        {{448, 700, 20, 9}, design::colors::Yellow, design::colors::Silver, true},   // RXDLight
        {{0, 0, 3, 3}, design::colors::Blue, design::colors::Aqua, false},
    };
    int i = 0;
    for (const PlainCase& c : cases) {
        SCOPED_TRACE(i);
        serial::TSerialStatusLight light(form, "Light" + std::to_string(i++));
        light.setBounds(c.bounds);
        light.setLitColor(c.lit);
        light.setNotLitColor(c.notLit);
        light.setLit(c.on);
        const Bitmap img = light.control().render();
        ASSERT_EQ(img.width(), c.bounds.width);
        ASSERT_EQ(img.height(), c.bounds.height);
        const design::Rgb fill = c.on ? c.lit : c.notLit;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                ASSERT_EQ(img.pixel(x, y), expectedPlain(x, y, c.bounds.width, c.bounds.height, fill))
                    << "pixel " << x << "," << y;
    }
}

TEST_F(LightPaintTest, DefaultsAndCornerPixels) {
    serial::TSerialStatusLight light(form, "TXDLight");
    EXPECT_EQ(light.control().name(), "TXDLight");
    EXPECT_EQ(form.find("TXDLight"), &light.control());
    EXPECT_EQ(light.bounds(), (design::Bounds{0, 0, 13, 13}));
    EXPECT_FALSE(light.Lit());
    EXPECT_EQ(light.LitColor(), (design::Rgb{255, 0, 0}));
    EXPECT_EQ(light.NotLitColor(), (design::Rgb{0, 128, 0}));
    EXPECT_TRUE(light.Glyph().empty());

    const Bitmap img = light.control().render();
    EXPECT_EQ(img.pixel(12, 0), kWhite);   // top line reaches the right edge
    EXPECT_EQ(img.pixel(0, 12), kWhite);   // left line reaches the bottom edge
    EXPECT_EQ(img.pixel(12, 1), kGrey);    // right line starts at y = 1
    EXPECT_EQ(img.pixel(1, 12), kGrey);    // bottom line starts at x = 1
    EXPECT_EQ(img.pixel(12, 12), kGrey);
    EXPECT_EQ(img.pixel(6, 6), (design::Rgb{0, 128, 0}));
}

TEST_F(LightPaintTest, LightIsDrawnOnTheFormAtItsPlace) {
    form.setClientSize(870, 720);
    form.setColor(design::colors::Black);
    serial::TSerialStatusLight light(form, "RXDLight");
    light.setBounds({448, 700, 20, 9});
    light.setLitColor(design::colors::Yellow);
    light.setNotLitColor(design::colors::Silver);
    light.setLit(true);
    const Bitmap shot = form.grab();
    EXPECT_EQ(shot.pixel(448 + 10, 700 + 4), design::colors::Yellow);
    EXPECT_EQ(shot.pixel(448 + 10, 700), kWhite);
    EXPECT_EQ(shot.pixel(448 + 19, 700 + 4), kGrey);
    EXPECT_EQ(shot.pixel(447, 704), design::colors::Black);   // just outside
    light.setLit(false);
    EXPECT_EQ(form.grab().pixel(448 + 10, 704), design::colors::Silver);
}

// A glyph of 2 x (6 x 4): left half blue with a magenta top-left key pixel,
// right half green; the key color shows the parent's background.
Bitmap twoImageGlyph() {
    constexpr design::Rgb key{255, 0, 255};
    Bitmap g = Bitmap::filled(12, 4, design::colors::Blue);
    for (int y = 0; y < 4; ++y)
        for (int x = 6; x < 12; ++x) g.setPixel(x, y, design::colors::Green);
    g.setPixel(0, 0, key);
    g.setPixel(7, 2, key);   // transparent in the not-lit image too
    return g;
}

TEST_F(LightPaintTest, GlyphForcesSizeWhateverBoundsAreSet) {
    serial::TSerialStatusLight light(form, "GlyphLight");
    light.setBounds({10, 20, 40, 40});
    light.setGlyph(twoImageGlyph());
    EXPECT_EQ(light.bounds(), (design::Bounds{10, 20, 6, 4}));
    light.setBounds({30, 40, 100, 1});
    EXPECT_EQ(light.bounds(), (design::Bounds{30, 40, 6, 4}));
    // Without a glyph the requested bounds apply again.
    light.setGlyph(Bitmap{});
    light.setBounds({30, 40, 100, 1});
    EXPECT_EQ(light.bounds(), (design::Bounds{30, 40, 100, 1}));
}

TEST_F(LightPaintTest, GlyphHalvesWithTransparentKeyOverParentBackground) {
    constexpr design::Rgb parent{10, 20, 30};
    form.setColor(parent);
    serial::TSerialStatusLight light(form, "GlyphLight");
    light.setGlyph(twoImageGlyph());
    light.setLitColor(design::colors::Red);   // ignored with a glyph
    light.setLit(true);
    Bitmap img = light.control().render();
    EXPECT_EQ(img.pixel(0, 0), parent);           // key color: not copied
    EXPECT_EQ(img.pixel(1, 0), design::colors::Blue);     // left half = lit
    EXPECT_EQ(img.pixel(5, 3), design::colors::Blue);

    light.setLit(false);
    img = light.control().render();
    EXPECT_EQ(img.pixel(0, 0), design::colors::Green);    // right half = not lit
    EXPECT_EQ(img.pixel(1, 2), parent);           // its key pixel (7,2 of the glyph)
    EXPECT_EQ(img.pixel(5, 3), design::colors::Green);
}

}  // namespace
}  // namespace vos
