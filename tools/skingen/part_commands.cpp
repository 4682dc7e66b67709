// The command areas: small raised buttons under the program's transparent
// labels (ZOOM, T/F, PORTS, CONF, FIN, AIDE, minimise) and the name plate of
// the logo area. Their white captions are the program's own labels, drawn
// beneath the buttons over the plain panel, so no text is drawn here except
// the product name on the logo plate.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "tools/skingen/skin_geometry.h"
#include "tools/skingen/skin_paint.h"
#include "tools/skingen/skin_style.h"

namespace vos::skingen {

namespace {

void drawButtonBody(QPainter& p, const QRectF& r) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawRoundedRect(r.translated(1, 2), 4, 4);
    p.setBrush(qc(style::kButtonDark));
    p.drawRoundedRect(r, 4, 4);
    p.setBrush(qc(style::kButtonLight));
    p.drawRoundedRect(r.adjusted(0, 0, -1, -1), 4, 4);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0.0, qc(style::kButtonFace).lighter(112));
    g.setColorAt(1.0, qc(style::kButtonFace).darker(110));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 3, 3);
    p.restore();
}

QPen iconPen(qreal width, design::Rgb color = style::kButtonIcon) {
    QPen pen(qc(color), width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void iconZoom(QPainter& p, QPointF c) {
    p.setPen(iconPen(2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c + QPointF(-2, -2), 5, 5);
    p.setPen(iconPen(3));
    p.drawLine(c + QPointF(2, 2), c + QPointF(7, 7));
}

void iconSwap(QPainter& p, QPointF c) {
    p.setPen(iconPen(2));
    p.drawLine(c + QPointF(-7, -3), c + QPointF(6, -3));
    p.drawLine(c + QPointF(6, -3), c + QPointF(3, -6));
    p.drawLine(c + QPointF(-6, 4), c + QPointF(7, 4));
    p.drawLine(c + QPointF(-6, 4), c + QPointF(-3, 7));
}

void iconPorts(QPainter& p, QPointF c) {
    QPainterPath shell;
    shell.moveTo(c + QPointF(-8, -5));
    shell.lineTo(c + QPointF(8, -5));
    shell.lineTo(c + QPointF(6, 5));
    shell.lineTo(c + QPointF(-6, 5));
    shell.closeSubpath();
    p.setPen(iconPen(1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shell);
    p.setPen(Qt::NoPen);
    p.setBrush(qc(style::kButtonIcon));
    for (int i = -1; i <= 1; ++i) p.drawEllipse(c + QPointF(i * 4, -1), 1.3, 1.3);
    for (int i = 0; i <= 1; ++i) p.drawEllipse(c + QPointF(-2 + i * 4, 2.5), 1.3, 1.3);
}

void iconSliders(QPainter& p, QPointF c) {
    constexpr qreal knobs[] = {-3, 4, -1};
    for (int i = 0; i < 3; ++i) {
        const qreal y = (i - 1) * 5;
        p.setPen(iconPen(1.5));
        p.drawLine(c + QPointF(-7, y), c + QPointF(7, y));
        p.setPen(Qt::NoPen);
        p.setBrush(qc(style::kButtonIcon));
        p.drawRect(QRectF(c.x() + knobs[i] - 1.5, c.y() + y - 2.5, 3, 5));
    }
}

void iconPower(QPainter& p, QPointF c) {
    p.setPen(iconPen(2.2, style::kButtonIconRed));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - 7, c.y() - 6, 14, 14), 120 * 16, 300 * 16);
    p.drawLine(c + QPointF(0, -8), c + QPointF(0, 0));
}

void iconHelp(QPainter& p, const QRectF& r) {
    drawCentredText(p, r.adjusted(0, -1, 0, -1), QStringLiteral("?"), panelFont(17), qc(style::kButtonIcon));
}

void iconMinimise(QPainter& p, const QRectF& r) {
    p.fillRect(QRectF(r.center().x() - 6, r.bottom() - 10, 12, 3), qc(style::kButtonIcon));
}

void drawLogoPlate(QPainter& p, const QRectF& r) {
    p.save();
    drawBevelRect(p, r, qc(style::kHeader).darker(120), qc(style::kPlateDark), qc(style::kPlateLight), 1);
    // A chevron emblem, then the product name.
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF e(r.left() + 18, r.center().y());
    QPainterPath v;
    v.moveTo(e + QPointF(-9, -9));
    v.lineTo(e + QPointF(0, 9));
    v.lineTo(e + QPointF(9, -9));
    p.setPen(iconPen(3, style::kLegendShifted));
    p.setBrush(Qt::NoBrush);
    p.drawPath(v);
    QFont f = panelFont(21);
    f.setItalic(true);
    drawCentredText(p, r.adjusted(30, 0, -4, 0), QStringLiteral("Vostrelle"), f, qc(style::kButtonIcon));
    p.restore();
}

void drawCommand(QPainter& p, const CommandPlace& cmd) {
    const QRectF r = rectOf(cmd.bounds);
    if (cmd.icon == CommandIcon::Logo) {
        drawLogoPlate(p, r);
        return;
    }
    drawButtonBody(p, r);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = r.center();
    switch (cmd.icon) {
        case CommandIcon::Zoom: iconZoom(p, c); break;
        case CommandIcon::TF: iconSwap(p, c); break;
        case CommandIcon::Ports: iconPorts(p, c); break;
        case CommandIcon::AccesCfg: iconSliders(p, c); break;
        case CommandIcon::Fin: iconPower(p, c); break;
        case CommandIcon::Aide: iconHelp(p, r); break;
        case CommandIcon::Iconiser: iconMinimise(p, r); break;
        case CommandIcon::Logo: break;
    }
    p.restore();
}

}  // namespace

void drawCommandButtons(QPainter& p) {
    for (const CommandPlace& cmd : kCommands) drawCommand(p, cmd);
}

}  // namespace vos::skingen
