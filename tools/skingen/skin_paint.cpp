#include "tools/skingen/skin_paint.h"

#include <QFontMetricsF>
#include <QPainter>

#include "tools/skingen/skin_style.h"

namespace vos::skingen {

QColor qc(design::Rgb c) { return QColor(c.r, c.g, c.b); }

QRectF rectOf(const design::Bounds& b) { return QRectF(b.left, b.top, b.width, b.height); }

QFont panelFont(int pixelHeight, bool bold) {
    QFont f(style::kFontFamily);
    f.setPixelSize(pixelHeight);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

QFont fittedFont(const QString& text, int pixelHeight, qreal width, bool bold) {
    for (int px = pixelHeight; px > 5; --px) {
        QFont f = panelFont(px, bold);
        if (QFontMetricsF(f).horizontalAdvance(text) <= width) return f;
    }
    return panelFont(5, bold);
}

void drawBevelRect(QPainter& p, const QRectF& r, QColor face, QColor light, QColor dark, int edge, bool sunken) {
    if (sunken) std::swap(light, dark);
    p.save();
    p.setPen(Qt::NoPen);
    p.fillRect(r, dark);
    p.fillRect(QRectF(r.left(), r.top(), r.width() - edge, r.height() - edge), light);
    p.fillRect(r.adjusted(edge, edge, -edge, -edge), face);
    p.restore();
}

void drawCentredText(QPainter& p, const QRectF& r, const QString& text, const QFont& font, QColor color) {
    p.save();
    p.setFont(font);
    p.setPen(color);
    p.drawText(r, Qt::AlignCenter, text);
    p.restore();
}

void drawEngravedText(QPainter& p, const QRectF& r, const QString& text, const QFont& font) {
    drawCentredText(p, r.translated(0, 1), text, font, qc(style::kPlateDark));
    drawCentredText(p, r, text, font, qc(style::kEngraving));
}

}  // namespace vos::skingen
