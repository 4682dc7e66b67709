// Lamp windows: at every lamp place of the lamp table, a dark ring slightly
// larger than the lamp's disc round a dark lens tinted with the lamp's
// color. The program shows a lit lamp as a disc of its color over the lens.
#include <QPainter>
#include <QRadialGradient>

#include "tools/skingen/skin_geometry.h"
#include "tools/skingen/skin_paint.h"
#include "tools/skingen/skin_style.h"

namespace vos::skingen {

namespace {

design::Rgb lensColor(design::Rgb lamp) {
    if (lamp == design::colors::Yellow) return style::kLensYellow;
    if (lamp == design::colors::Lime) return style::kLensGreen;
    return style::kLensRed;
}

void drawLampWindow(QPainter& p, const design::Bounds& disc, design::Rgb lamp) {
    const QRectF lens = rectOf(disc);
    const qreal m = style::kLampRingMargin;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(qc(style::kLampRing));
    p.drawEllipse(lens.adjusted(-m, -m, m, m));
    QRadialGradient g(lens.center() - QPointF(1.5, 1.5), lens.width() / 2);
    g.setColorAt(0.0, qc(lensColor(lamp)).lighter(125));
    g.setColorAt(1.0, qc(lensColor(lamp)).darker(140));
    p.setBrush(g);
    p.drawEllipse(lens);
    p.restore();
}

}  // namespace

void drawLampWindows(QPainter& p) {
    for (int i = 0; i < lamps::kCount; ++i)
        drawLampWindow(p, lampBounds(i), lamps::kTable[static_cast<std::size_t>(i)].color);
}

}  // namespace vos::skingen
