// The character screen: a dark bezel round black glass. The glass covers the
// twelve lines and their cursor strips with a margin; the lines themselves
// are drawn by the program, white on black, over it.
#include <QLinearGradient>
#include <QPainter>

#include "tools/skingen/skin_geometry.h"
#include "tools/skingen/skin_paint.h"
#include "tools/skingen/skin_style.h"

namespace vos::skingen {

namespace {

constexpr int kGlassMargin = 8;   // black glass round the lines
constexpr int kBezelWidth = 10;   // bezel round the glass

constexpr design::Bounds grown(const design::Bounds& b, int d) {
    return {b.left - d, b.top - d, b.width + 2 * d, b.height + 2 * d};
}

constexpr design::Bounds kGlass = grown(kScreenLinesBounds, kGlassMargin);
constexpr design::Bounds kBezel = grown(kGlass, kBezelWidth);

}  // namespace

void drawScreenBezel(QPainter& p) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer = rectOf(kBezel);
    // Raised rim, then the bezel face sloping in towards the glass.
    p.setPen(Qt::NoPen);
    p.setBrush(qc(style::kPlateDark));
    p.drawRoundedRect(outer.translated(1, 2), 7, 7);
    p.setBrush(qc(style::kBezelLight));
    p.drawRoundedRect(outer, 7, 7);
    QLinearGradient g(outer.topLeft(), outer.bottomLeft());
    g.setColorAt(0.0, qc(style::kBezel).lighter(130));
    g.setColorAt(1.0, qc(style::kBezel));
    p.setBrush(g);
    p.drawRoundedRect(outer.adjusted(2, 2, -2, -2), 6, 6);
    // Recessed edge of the glass: dark above and left, light below and right.
    const QRectF glass = rectOf(kGlass);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(glass.adjusted(-2, -2, 2, 2), qc(style::kBezelLight));
    p.fillRect(glass.adjusted(-2, -2, 0, 0), qc(style::kPlateDark));
    p.fillRect(glass, qc(style::kGlass));
    p.restore();
}

}  // namespace vos::skingen
