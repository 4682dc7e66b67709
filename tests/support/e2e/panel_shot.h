#pragma once
// A screenshot looked at through the panel window: points and rectangles are
// in the window's design pixels (870 x 720, origin at its top-left corner;
// each is read at the centre of what it became in a scaled window), and the
// character screen is read cell by cell.
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>

#include <string>

namespace vos::e2e {

// The two layouts of the character screen: 40 cells of 10 pixels on lines
// 22 pixels apart, or, on the big screen, 40 cells of 19.25 pixels (770
// pixels, up to the right edge of its black frame) on lines 44 pixels
// apart; both start at client (62, 78).
enum class ScreenLayout { Normal, Big };

// The rectangle of the text cell at line 1..12, column 1..40 (the cursor
// strip under it excluded).
QRect cellRect(ScreenLayout layout, int line, int column);
// The part of the cursor strip under that cell, right under the line: 2
// pixels high, 18 pixels below the line's top (4 high, 36 below, on the big
// screen).
QRect stripCellRect(ScreenLayout layout, int line, int column);

// The start-up banner as lineInk shows it: line 4 holds 9 blanks,
// "Vostrelle", 2 blanks, "Version", a blank, "1.00" and blanks (39
// characters; the 40th cell is blank too); every other line is blank.
inline constexpr const char* kBannerInk = ".........#########..#######.####........";
inline constexpr const char* kBlankInk = "........................................";

enum class Color { Red, Yellow, Lime, White, Black };
// Whether a pixel shows the color, allowing for blending at the edges.
bool looksLike(QRgb pixel, Color color);

class PanelShot {
public:
    PanelShot() = default;
    // `scale`: the window's screen pixels per design pixel.
    PanelShot(QImage screen, QPoint clientOrigin, double scale = 1.0);

    bool isNull() const { return screen_.isNull(); }
    QRgb pixel(int x, int y) const;
    bool pixelIs(int x, int y, Color color) const { return looksLike(pixel(x, y), color); }
    // Pixels in the rectangle whose three components are all >= minLevel.
    int brightPixels(const QRect& r, int minLevel = 160) const;
    // Whether every pixel of the rectangle has all components <= maxLevel.
    bool allDark(const QRect& r, int maxLevel = 40) const;
    // The rectangle's pixels (on the screen), for exact before/after
    // comparisons.
    QImage region(const QRect& r) const;

    // One character per column of the line: '#' a cell with ink (a drawn
    // character), '.' a blank cell, '?' a cell with a faint trace only.
    std::string lineInk(ScreenLayout layout, int line) const;
    // The same for the cursor strip under the line: '#' where a mark shows.
    std::string stripInk(ScreenLayout layout, int line) const;
    // Pixel rows of the strip under that cell where the cursor bar shows.
    int barHeight(ScreenLayout layout, int line, int column) const;

    const QImage& screen() const { return screen_; }

private:
    QPoint onScreen(int x, int y) const;

    QImage screen_;
    QPoint origin_;
    double scale_ = 1.0;
};

}  // namespace vos::e2e
