#include "platform/qt/graphic_control.h"

#include <QCoreApplication>
#include <QPainter>
#include <QTimer>
#include <cstdlib>

#include "platform/qt/bitmap_impl.h"
#include "platform/qt/control_widget.h"
#include "platform/qt/form_impl.h"
#include "platform/qt/guard.h"
#include "platform/qt/qt_convert.h"

namespace vos {

void Canvas::fillRect(design::Bounds r, design::Rgb c) {
    p_.fillRect(QRect(r.left, r.top, r.width, r.height), qtconv::toQColor(c));
}

// Pixel by pixel, so the line is exactly the one of a classic LineTo: from
// (x1,y1) up to but excluding (x2,y2).
void Canvas::line(int x1, int y1, int x2, int y2, design::Rgb c) {
    const QColor col = qtconv::toQColor(c);
    const int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
    const int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
    int err = dx + dy;
    while (x1 != x2 || y1 != y2) {
        p_.fillRect(QRect(x1, y1, 1, 1), col);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x1 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y1 += sy;
        }
    }
}

void Canvas::drawImage(const Bitmap& img, design::Bounds src, int x, int y, design::Rgb transparent) {
    if (img.empty()) return;
    QImage part = img.impl()->image.copy(src.left, src.top, src.width, src.height)
                      .convertToFormat(QImage::Format_ARGB32);
    const QRgb key = qRgb(transparent.r, transparent.g, transparent.b);
    for (int row = 0; row < part.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(part.scanLine(row));
        for (int col = 0; col < part.width(); ++col)
            if ((line[col] & 0x00FFFFFFu) == (key & 0x00FFFFFFu)) line[col] = 0;
    }
    p_.drawImage(x, y, part);
}

namespace {

design::Rgb formColor(const Control& c) { return c.form().impl().color; }

class GraphicWidget final : public ControlWidget {
public:
    explicit GraphicWidget(QWidget* parent) : ControlWidget(parent) {}

protected:
    void paintControl(QPainter& p) override {
        auto* g = static_cast<GraphicControl*>(control());
        if (!g || !g->onPaint) return;
        Canvas canvas(p, formColor(*g));
        try {
            g->onPaint(canvas);
        } catch (...) {
            // A box must not run its loop inside a paint: report right after.
            QTimer::singleShot(0, qApp, [e = std::current_exception()] { reportException(e); });
        }
    }
};

}  // namespace

GraphicControl::GraphicControl(Form& owner, std::string name)
    : Control(owner, std::move(name), new GraphicWidget(owner.impl().parentForControls())) {}

void GraphicControl::invalidate() { static_cast<ControlWidget*>(widget())->markDirty(); }

Bitmap GraphicControl::render() const {
    QImage img(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    img.fill(qtconv::toQColor(formColor(*this)));
    if (onPaint) {
        QPainter p(&img);
        Canvas canvas(p, formColor(*this));
        guarded([&] { onPaint(canvas); });
    }
    return bitmapFromImage(img);
}

}  // namespace vos
