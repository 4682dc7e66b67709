// Keycaps: one raised, rounded cap over exactly each key region of the hit
// map (both ends of the region's ranges inside the cap), with its drop
// shadow in the gap below and right of it. The legends come after the cap.
#include <QLinearGradient>
#include <QPainter>

#include "tools/skingen/skin_geometry.h"
#include "tools/skingen/skin_paint.h"
#include "tools/skingen/skin_style.h"

namespace vos::skingen {

namespace {

void drawCap(QPainter& p, const QRectF& r, bool warm) {
    const qreal rad = style::kKeyRadius;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    // Shadow first: it shows only beyond the cap, in the gap.
    p.setBrush(qc(style::kKeyShadow));
    p.drawRoundedRect(r.translated(1, 2), rad, rad);
    // Rims: shade bottom and right, highlight top and left, then the face.
    p.setBrush(qc(style::kKeyShade));
    p.drawRoundedRect(r, rad, rad);
    p.setBrush(qc(style::kKeyHighlight));
    p.drawRoundedRect(r.adjusted(0, 0, -1, -2), rad, rad);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, qc(warm ? style::kKeyWarmTop : style::kKeyFaceTop));
    g.setColorAt(1.0, qc(warm ? style::kKeyWarmBottom : style::kKeyFaceBottom));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -2), rad - 1, rad - 1);
    // A faint dish in the middle of the face.
    QLinearGradient dish(r.topLeft(), r.bottomLeft());
    dish.setColorAt(0.0, QColor(0, 0, 0, 14));
    dish.setColorAt(1.0, QColor(255, 255, 255, 30));
    p.setBrush(dish);
    p.drawRoundedRect(r.adjusted(4, 4, -4, -5), rad, rad);
    p.restore();
}

}  // namespace

void drawKeys(QPainter& p, Machine m) {
    for (const KeyPlace& k : kKeys) {
        drawCap(p, rectOf(k.bounds), isWarmKey(k));
        drawLegend(p, k, m);
    }
}

}  // namespace vos::skingen
