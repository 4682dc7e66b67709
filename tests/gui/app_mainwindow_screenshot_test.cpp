// The real main window rendered offscreen after a known byte sequence from
// the control: text only in the written cells, the cursor mark under the
// cursor column, lit lamps in their color over the configured skin.
#include "tests/support/main_window.h"

#include <cstdio>
#include <cstdlib>

#include "app/aux_commands.h"
#include "design/lamps.h"
#include "design/screen.h"
#include "input/zoom.h"
#include "panel/lamps.h"
#include "panel/screen.h"
#include "platform/qt/graphic_control.h"
#include "platform/qt/label.h"
#include "platform/qt/picture.h"
#include "platform/qt/shape.h"

namespace vos::test {
namespace {

namespace layout = design::layout;

bool isWhite(design::Rgb c) { return c.r > 160 && c.g > 160 && c.b > 160; }

int whitePixels(const Bitmap& img, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += isWhite(img.pixel(x, y)) ? 1 : 0;
    return n;
}

int cellLeft(int col) { return design::layout::kLeft + design::layout::kCellWidth * (col - 1); }

// Cell (row, col) above the part of the strip that its line covers.
int whiteInCell(const Bitmap& img, int row, int col) {
    const int top = design::layout::lineBounds(row).top;
    return whitePixels(img, cellLeft(col), top, cellLeft(col) + design::layout::kCellWidth,
                       design::layout::stripBounds(row).top);
}

// The first pixel row of strip n that its line does not cover.
int stripRow(int n) { return design::layout::lineBounds(n).top + design::layout::kLineHeight; }

int whiteInStrip(const Bitmap& img, int n, int fromCol, int toCol) {
    return whitePixels(img, cellLeft(fromCol), stripRow(n), cellLeft(toCol + 1), stripRow(n) + 1);
}

// For a look at the picture: VOS_SCREENSHOT_OUT=/tmp/form1.ppm.
void savePpm(const Bitmap& img, const char* path) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) return;
    std::fprintf(f, "P6\n%d %d\n255\n", img.width(), img.height());
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const design::Rgb c = img.pixel(x, y);
            const unsigned char px[3] = {c.r, c.g, c.b};
            std::fwrite(px, 1, 3, f);
        }
    std::fclose(f);
}

TEST_F(MainWindowTest, ScreenshotShowsTextCursorMarkAndLampsWhereTheBytesPutThem) {
    PtyPair& com1 = addPort(1);
    writeIni(iniText(1, "num760f.jpg"));
    writeSkin("num760f.jpg", QColor(40, 70, 110));
    if (!copyFont()) std::printf("note: no DejaVu Sans Mono Bold; a substitute face draws the screen\n");
    app::TForm1& f = buildAndShow();
    ASSERT_TRUE(recordedMessages().empty());

    // Before any byte: the banner on line 4 ("Vostrelle" from column 10).
    {
        const Bitmap img = f.form().grab();
        for (int col = 10; col <= 18; ++col) EXPECT_GT(whiteInCell(img, 4, col), 4) << "banner col " << col;
        for (int col = 1; col <= 9; ++col) EXPECT_EQ(whiteInCell(img, 4, col), 0) << "banner col " << col;
        for (int col = 1; col <= 40; ++col) EXPECT_EQ(whiteInCell(img, 1, col), 0);
    }

    // Clear, steady cursor, "AB&W" on row 1 (the '&' takes one column), two
    // rows down, "O" (shown as Ø) at row 3 column 5; lamps Led01 (selector),
    // Led16-19 (group 64), Led41 and Led42 (group 112).
    ASSERT_TRUE(com1.write(Bytes{0x83, 0x85, 0xC1, 0xC2, 0xA6, 0xD7, 0x8A, 0x8A, 0xCF, 0x11, 0x4F, 0x75}));
    panel::Screen& screen = f.screen();
    ASSERT_TRUE(waitUntil([&] { return f.lamps().led(42).visible(); }));
    ASSERT_EQ(screen.LigneCurseur, 3);
    ASSERT_EQ(screen.ColonneCurseur, 6);
    serveEventsFor(std::chrono::milliseconds(50));

    const Bitmap img = f.form().grab();
    if (const char* out = std::getenv("VOS_SCREENSHOT_OUT")) savePpm(img, out);
    ASSERT_EQ(img.width(), 870);
    ASSERT_EQ(img.height(), 720);

    // Text where written, black elsewhere (the banner is gone).
    for (int col = 1; col <= 4; ++col) EXPECT_GT(whiteInCell(img, 1, col), 4) << "row 1 col " << col;
    for (int col = 5; col <= 40; ++col) EXPECT_EQ(whiteInCell(img, 1, col), 0) << "row 1 col " << col;
    for (int row : {2, 4, 12})
        for (int col = 1; col <= 40; ++col) EXPECT_EQ(whiteInCell(img, row, col), 0) << row << "/" << col;
    EXPECT_GT(whiteInCell(img, 3, 5), 4) << "the O shown as Ø";
    EXPECT_EQ(whiteInCell(img, 3, 4), 0);
    EXPECT_EQ(whiteInCell(img, 3, 6), 0);

    // Cursor mark: under column 6 of row 3 only.
    EXPECT_GT(whiteInStrip(img, 3, 6, 6), 0);
    EXPECT_EQ(whiteInStrip(img, 3, 1, 5), 0);
    EXPECT_EQ(whiteInStrip(img, 3, 7, 40), 0);

    // Lamps: lit ones in their color, the others show the skin.
    struct Lamp {
        int n;
        bool lit;
    };
    for (const Lamp l : {Lamp{1, true}, Lamp{16, true}, Lamp{17, true}, Lamp{18, true}, Lamp{19, true},
                         Lamp{41, true}, Lamp{42, true}, Lamp{0, false}, Lamp{2, false}, Lamp{20, false},
                         Lamp{24, false}, Lamp{28, false}, Lamp{40, false}}) {
        const design::lamps::LampSpec& s = design::lamps::kTable[static_cast<std::size_t>(l.n)];
        const int cx = s.left + design::lamps::kSize / 2, cy = s.top + design::lamps::kSize / 2;
        EXPECT_EQ(img.pixel(cx, cy), l.lit ? s.color : f.Fond.pixel(cx, cy)) << "Led" << l.n;
    }
    // The skin itself is the configured picture, not the design one.
    const design::Rgb skin = f.Fond.pixel(5, 300);
    EXPECT_NEAR(skin.r, 40, 6);
    EXPECT_NEAR(skin.g, 70, 6);
    EXPECT_NEAR(skin.b, 110, 6);
    EXPECT_EQ(img.pixel(5, 300), skin);
}

// On the big screen, line 7 lies over the customer label: the big screen's
// frame hides the label, so nothing of it shows between the lines, even
// where a hidden cursor strip leaves a gap.
TEST_F(MainWindowTest, OnTheBigScreenTheFrameHidesTheCustomerLabel) {
    PtyPair& com1 = addPort(1);
    writeIni(iniText(1, "num760f.jpg"));
    writeSkin("num760f.jpg", QColor(40, 70, 110));
    app::TForm1& f = buildAndShow();
    const design::Bounds label = f.aux().labelClient().bounds();
    ASSERT_FALSE(f.aux().labelClient().caption().empty());
    // A clear: every line 40 blanks.
    ASSERT_TRUE(com1.write(Bytes{0x83}));
    ASSERT_TRUE(waitUntil([&] { return f.screen().lineText(4) == std::string(40, ' '); }));
    const auto labelInk = [&] {
        const Bitmap img = f.form().grab();
        return whitePixels(img, label.left, label.top, label.left + label.width, label.top + label.height);
    };
    ASSERT_GT(labelInk(), 20) << "the customer label shows in the normal layout";
    f.zoom().ChangerEcran();
    const design::Bounds line7 = f.screen().ligne(7).bounds();
    ASSERT_LE(line7.top, label.top);
    ASSERT_GE(line7.top + line7.height, label.top + label.height - 1);
    EXPECT_EQ(labelInk(), 0);
    f.screen().ligneC(7).hide();  // as when the control hides the cursor
    EXPECT_EQ(labelInk(), 0);
    f.zoom().ChangerEcran();
    EXPECT_GT(labelInk(), 20) << "the label shows again on the normal screen";
}

}  // namespace
}  // namespace vos::test
