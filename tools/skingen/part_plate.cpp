// The machine-type plate in the lower right of the panel: "FRAISEUSE" or
// "TOUR", the machine's axes, and a small axis diagram (a milling machine's
// X, Y, Z; a lathe's Z along the spindle and X across it).
#include <cmath>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "tools/skingen/skin_geometry.h"
#include "tools/skingen/skin_paint.h"
#include "tools/skingen/skin_style.h"

namespace vos::skingen {

namespace {

constexpr design::Bounds kPlate{526, 566, 296, 98};

struct PlateText {
    const char* name;
    const char* axes;
};
constexpr PlateText kTexts[] = {
    {"FRAISEUSE", "3 axes : X · Y · Z"},  // Machine::Fraiseuse
    {"TOUR", "2 axes : X · Z"},           // Machine::Tour
};

void drawArrow(QPainter& p, QPointF from, QPointF to, const char* name) {
    p.drawLine(from, to);
    const QPointF d = to - from;
    const qreal len = std::hypot(d.x(), d.y());
    const QPointF u = d / len, n(-u.y(), u.x());
    QPainterPath head;
    head.moveTo(to);
    head.lineTo(to - u * 7 + n * 3.5);
    head.lineTo(to - u * 7 - n * 3.5);
    head.closeSubpath();
    p.fillPath(head, p.pen().color());
    const QPointF at = to + u * 9;
    drawCentredText(p, QRectF(at.x() - 7, at.y() - 7, 14, 14), QString::fromUtf8(name), panelFont(11),
                    p.pen().color());
}

void drawAxes(QPainter& p, QPointF o, Machine m) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(qc(style::kNamePlateText), 2));
    if (m == Machine::Fraiseuse) {
        drawArrow(p, o, o + QPointF(34, 0), "X");
        drawArrow(p, o, o + QPointF(20, -18), "Y");
        drawArrow(p, o, o + QPointF(0, -34), "Z");
    } else {
        drawArrow(p, o, o + QPointF(38, 0), "Z");
        drawArrow(p, o, o + QPointF(0, -34), "X");
    }
    p.restore();
}

void drawRivets(QPainter& p, const QRectF& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(qc(style::kKeyShade), 1));
    p.setBrush(qc(style::kKeyHighlight));
    for (QPointF c : {r.topLeft() + QPointF(7, 7), r.topRight() + QPointF(-7, 7), r.bottomLeft() + QPointF(7, -7),
                      r.bottomRight() + QPointF(-7, -7)})
        p.drawEllipse(c, 2.5, 2.5);
    p.restore();
}

}  // namespace

void drawMachinePlate(QPainter& p, Machine m) {
    const QRectF r = rectOf(kPlate);
    p.fillRect(r.translated(2, 3), QColor(0, 0, 0, 90));
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0.0, qc(style::kNamePlate).lighter(108));
    g.setColorAt(1.0, qc(style::kNamePlate).darker(112));
    p.fillRect(r, g);
    p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), qc(style::kKeyHighlight));
    p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), qc(style::kKeyShade).darker(130));
    drawRivets(p, r);
    const PlateText& t = kTexts[static_cast<int>(m)];
    const QRectF text(r.left() + 14, r.top() + 10, 180, r.height() - 20);
    drawCentredText(p, QRectF(text.left(), text.top(), text.width(), 34), QString::fromUtf8(t.name),
                    fittedFont(QString::fromUtf8(t.name), 26, text.width()), qc(style::kNamePlateText));
    drawCentredText(p, QRectF(text.left(), text.top() + 36, text.width(), 16), QString::fromUtf8(t.axes),
                    panelFont(12), qc(style::kNamePlateText));
    drawCentredText(p, QRectF(text.left(), text.top() + 56, text.width(), 14),
                    QStringLiteral("Vostrelle · pupitre opérateur"), panelFont(9, false),
                    qc(style::kNamePlateText));
    p.fillRect(QRectF(r.left() + 204, r.top() + 12, 1, r.height() - 24), qc(style::kKeyShade));
    drawAxes(p, QPointF(r.left() + 230, r.bottom() - 22), m);
}

}  // namespace vos::skingen
