#include "tests/support/e2e/panel_shot.h"

#include <cmath>
#include <functional>
#include <utility>

namespace vos::e2e {

namespace {

struct LayoutGeometry {
    int left, top, pitch, height;
    double cellWidth;
    int stripOffset, stripHeight;
};
constexpr LayoutGeometry kNormal{62, 78, 22, 18, 10, 18, 2};
constexpr LayoutGeometry kBig{62, 78, 44, 36, 19.25, 36, 4};

// The pixel columns of cell `column`: those whose left edge lies in it.
std::pair<int, int> cellColumns(const LayoutGeometry& g, int column) {
    const auto edge = [&](int c) { return g.left + static_cast<int>(std::ceil((c - 1) * g.cellWidth)); };
    return {edge(column), edge(column + 1) - edge(column)};
}

// A drawn glyph of 16 (or 32) pixels has dozens of near-white pixels; a few
// are enough to tell it from a blank cell, whose pixels are all black.
constexpr int kInkedMinimum = 4;

}  // namespace

QRect cellRect(ScreenLayout layout, int line, int column) {
    const LayoutGeometry& g = layout == ScreenLayout::Normal ? kNormal : kBig;
    const auto [x, w] = cellColumns(g, column);
    return {x, g.top + (line - 1) * g.pitch, w, g.height};
}

QRect stripCellRect(ScreenLayout layout, int line, int column) {
    const LayoutGeometry& g = layout == ScreenLayout::Normal ? kNormal : kBig;
    const auto [x, w] = cellColumns(g, column);
    return {x, g.top + (line - 1) * g.pitch + g.stripOffset, w, g.stripHeight};
}

int PanelShot::barHeight(ScreenLayout layout, int line, int column) const {
    const QRect r = stripCellRect(layout, line, column);
    int rows = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        rows += brightPixels(QRect(r.left(), y, r.width(), 1)) >= 3 ? 1 : 0;
    return rows;
}

bool looksLike(QRgb p, Color color) {
    const int r = qRed(p), g = qGreen(p), b = qBlue(p);
    switch (color) {
        case Color::Red: return r >= 200 && g <= 60 && b <= 60;
        case Color::Yellow: return r >= 200 && g >= 200 && b <= 80;
        case Color::Lime: return r <= 80 && g >= 200 && b <= 80;
        case Color::White: return r >= 200 && g >= 200 && b >= 200;
        case Color::Black: return r <= 40 && g <= 40 && b <= 40;
    }
    return false;
}

PanelShot::PanelShot(QImage screen, QPoint clientOrigin, double scale)
    : screen_(std::move(screen)), origin_(clientOrigin), scale_(scale) {}

QPoint PanelShot::onScreen(int x, int y) const {
    return origin_ + QPoint(static_cast<int>((x + 0.5) * scale_), static_cast<int>((y + 0.5) * scale_));
}

QRgb PanelShot::pixel(int x, int y) const {
    const QPoint p = onScreen(x, y);
    if (!screen_.valid(p)) return qRgb(255, 0, 255);  // off-screen: matches no checked color
    return screen_.pixel(p);
}

int PanelShot::brightPixels(const QRect& r, int minLevel) const {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = pixel(x, y);
            if (qRed(p) >= minLevel && qGreen(p) >= minLevel && qBlue(p) >= minLevel) ++n;
        }
    return n;
}

bool PanelShot::allDark(const QRect& r, int maxLevel) const {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = pixel(x, y);
            if (qRed(p) > maxLevel || qGreen(p) > maxLevel || qBlue(p) > maxLevel) return false;
        }
    return true;
}

QImage PanelShot::region(const QRect& r) const {
    const QPoint a = onScreen(r.left(), r.top()), b = onScreen(r.right(), r.bottom());
    return screen_.copy(QRect(a, b));
}

namespace {

std::string inkOf(const PanelShot& shot, const std::function<QRect(int)>& cell) {
    std::string ink;
    for (int column = 1; column <= 40; ++column) {
        const int n = shot.brightPixels(cell(column));
        ink += n >= kInkedMinimum ? '#' : n == 0 ? '.' : '?';
    }
    return ink;
}

}  // namespace

std::string PanelShot::lineInk(ScreenLayout layout, int line) const {
    return inkOf(*this, [&](int column) { return cellRect(layout, line, column); });
}

std::string PanelShot::stripInk(ScreenLayout layout, int line) const {
    return inkOf(*this, [&](int column) { return stripCellRect(layout, line, column); });
}

}  // namespace vos::e2e
