// The program's icon: a small operator panel (screen with text lines, a
// row of keys, a red and a green lamp) on a rounded grey-blue body.
#include <QLinearGradient>
#include <QPainter>

#include "tools/skingen/skin_paint.h"
#include "tools/skingen/skin_style.h"

namespace vos::skingen {

namespace {

void iconBody(QPainter& p, qreal s) {
    QLinearGradient g(0, 0, 0, s);
    g.setColorAt(0.0, qc(style::kPanelTop).lighter(115));
    g.setColorAt(1.0, qc(style::kPanelBottom));
    p.setPen(QPen(qc(style::kPlateDark), s / 40));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92), s * 0.14, s * 0.14);
}

void iconScreen(QPainter& p, qreal s) {
    const QRectF glass(s * 0.14, s * 0.14, s * 0.72, s * 0.40);
    p.setPen(QPen(qc(style::kBezelLight), s / 40));
    p.setBrush(qc(style::kGlass));
    p.drawRoundedRect(glass, s * 0.03, s * 0.03);
    p.setPen(Qt::NoPen);
    p.setBrush(qc(style::kKeyHighlight));
    const qreal widths[] = {0.50, 0.34, 0.44};
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(glass.left() + s * 0.06, glass.top() + s * (0.07 + 0.10 * i), s * widths[i], s * 0.045));
}

void iconKeys(QPainter& p, qreal s) {
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        const QRectF k(s * (0.14 + 0.13 * i), s * 0.64, s * 0.10, s * 0.10);
        p.setBrush(qc(style::kKeyShade));
        p.drawRoundedRect(k, s * 0.02, s * 0.02);
        p.setBrush(qc(style::kKeyFaceTop));
        p.drawRoundedRect(k.adjusted(0, 0, -s * 0.01, -s * 0.015), s * 0.02, s * 0.02);
    }
    p.setBrush(qc(design::colors::Red));
    p.drawEllipse(QPointF(s * 0.72, s * 0.69), s * 0.05, s * 0.05);
    p.setBrush(qc(design::colors::Lime));
    p.drawEllipse(QPointF(s * 0.84, s * 0.69), s * 0.05, s * 0.05);
}

}  // namespace

QImage drawIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    iconBody(p, s);
    iconScreen(p, s);
    iconKeys(p, s);
    p.end();
    return img;
}

}  // namespace vos::skingen
