// Legends on the keycaps: soft keys (a bar and F1..F10), the alphanumeric
// pad (normal face, shifted character in the top-right corner), the machine
// pad (clear of the lamp window in the cap's top-left corner) and the three
// large cycle keys with their symbols.
#include <QPainter>
#include <QPainterPath>

#include "tools/skingen/skin_geometry.h"
#include "tools/skingen/skin_paint.h"
#include "tools/skingen/skin_style.h"

namespace vos::skingen {

namespace {

constexpr int kGlyphPixels = 15;     // one-character legends
constexpr int kWordPixels = 9;       // word legends, shrunk to fit
constexpr int kCaptionPixels = 7;
constexpr int kShiftedPixels = 9;
constexpr int kLampCorner = 12;        // lamp window corner kept clear

bool isOneGlyph(const QString& s) { return s.size() == 1; }

QFont mainFont(const QString& text, qreal width) {
    return isOneGlyph(text) ? panelFont(kGlyphPixels) : fittedFont(text, kWordPixels, width);
}

bool hasLamp(const design::Bounds& key) {
    for (int i = 0; i < lamps::kCount; ++i) {
        const design::Bounds l = lampBounds(i);
        if (l.left < key.left + key.width && key.left < l.left + l.width && l.top < key.top + key.height &&
            key.top < l.top + l.height)
            return true;
    }
    return false;
}

void softKey(QPainter& p, const QRectF& r, int column) {
    p.fillRect(QRectF(r.center().x() - 8, r.top() + 9, 16, 2), qc(style::kLegend));
    const QRectF label(r.left(), r.top() + 14, r.width(), r.height() - 17);
    drawCentredText(p, label, QStringLiteral("F%1").arg(column), panelFont(kWordPixels), qc(style::kLegend));
}

void shiftKey(QPainter& p, const QRectF& r, const char* word) {
    drawCentredText(p, QRectF(r.left(), r.top() + 3, r.width(), 15), QStringLiteral("⇧"), panelFont(14),
                    qc(style::kLegendShifted));
    drawCentredText(p, QRectF(r.left(), r.top() + 18, r.width(), 10), QString::fromUtf8(word),
                    panelFont(8), qc(style::kLegendShifted));
}

void alphaKey(QPainter& p, const QRectF& r, const KeyPlace& k) {
    const char* face = kAlphaFaces[static_cast<std::size_t>(k.row - 2)][static_cast<std::size_t>(k.column - 1)];
    if (k.row == kFirstShiftedRow + 3 && k.column == 1) {  // row F, column 1: the shift key
        shiftKey(p, r, face);
        return;
    }
    const char shifted = shiftedLegend(k.row, k.column);
    const QString text = QString::fromUtf8(face);
    const QRectF main = shifted ? QRectF(r.left() + 1, r.top() + 9, r.width() - 6, r.height() - 11)
                                : r.adjusted(2, 2, -2, -3);
    drawCentredText(p, main, text, mainFont(text, main.width() - 2), qc(style::kLegend));
    if (!shifted) return;
    const QString s = shifted == ' ' ? QStringLiteral("␣") : QString(QChar::fromLatin1(shifted));
    drawCentredText(p, QRectF(r.right() - 13, r.top() + 2, 11, 11), s, panelFont(kShiftedPixels),
                    qc(style::kLegendShifted));
}

void machineKey(QPainter& p, const QRectF& r, const KeyLegend& legend, bool lamp) {
    const qreal top = lamp ? kLampCorner : 3;
    if (legend.caption) {
        const QString cap = QString::fromUtf8(legend.caption);
        const QRectF capRect = lamp ? QRectF(r.left() + kLampCorner, r.top() + 2, r.width() - kLampCorner - 2, 10)
                                    : QRectF(r.left() + 2, r.top() + 3, r.width() - 4, 9);
        drawCentredText(p, capRect, cap, fittedFont(cap, kCaptionPixels, capRect.width()), qc(style::kLegend));
    }
    if (!legend.main) return;
    const qreal mainTop = legend.caption && !lamp ? 12 : top;
    const QRectF main(r.left() + 2, r.top() + mainTop, r.width() - 4, r.height() - mainTop - 4);
    const QString text = QString::fromUtf8(legend.main);
    drawCentredText(p, main, text, mainFont(text, main.width()), qc(style::kLegend));
}

void markSymbol(QPainter& p, QPointF c, Mark mark) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(qc(style::kLegend), 1));
    switch (mark) {
        case Mark::FeedHold:
            p.setPen(Qt::NoPen);
            p.setBrush(qc(style::kLegend));
            p.drawRect(QRectF(c.x() - 5, c.y() - 6, 3, 12));
            p.drawRect(QRectF(c.x() + 2, c.y() - 6, 3, 12));
            break;
        case Mark::CycleStop:
            p.setBrush(qc(style::kLegendRed));
            p.drawEllipse(c, 7, 7);
            break;
        case Mark::CycleStart: {
            p.setBrush(qc(style::kLegendGreen));
            p.drawEllipse(c, 7, 7);
            QPainterPath tri;
            tri.moveTo(c + QPointF(-2.5, -4));
            tri.lineTo(c + QPointF(4.5, 0));
            tri.lineTo(c + QPointF(-2.5, 4));
            tri.closeSubpath();
            p.setPen(Qt::NoPen);
            p.setBrush(qc(style::kKeyHighlight));
            p.drawPath(tri);
            break;
        }
        case Mark::None:
            break;
    }
    p.restore();
}

void largeKey(QPainter& p, const QRectF& r, const KeyLegend& legend) {
    markSymbol(p, QPointF(r.center().x() + 2, r.top() + 16), legend.mark);
    const QString text = QString::fromUtf8(legend.main);
    const QRectF label(r.left() + 2, r.bottom() - 14, r.width() - 4, 10);
    drawCentredText(p, label, text, fittedFont(text, 8, label.width()), qc(style::kLegend));
}

}  // namespace

void drawLegend(QPainter& p, const KeyPlace& k, Machine m) {
    const QRectF r = rectOf(k.bounds);
    switch (k.block) {
        case KeyBlock::Soft: softKey(p, r, k.column); break;
        case KeyBlock::Alpha: alphaKey(p, r, k); break;
        case KeyBlock::Machine: machineKey(p, r, machineLegend(m, k.row, k.column), hasLamp(k.bounds)); break;
        case KeyBlock::Large: largeKey(p, r, kLargeLegends[static_cast<std::size_t>(k.column - 1)]); break;
    }
}

}  // namespace vos::skingen
