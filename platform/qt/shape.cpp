#include "platform/qt/shape.h"

#include <QPainter>

#include "platform/qt/control_widget.h"
#include "platform/qt/form_impl.h"
#include "platform/qt/qt_convert.h"

namespace vos {

namespace {

class ShapeWidget final : public ControlWidget {
public:
    explicit ShapeWidget(QWidget* parent) : ControlWidget(parent) {}

protected:
    // The figure is inset by half the pen width; squares and circles use the
    // smaller side, centred; a rounded square's corners are a quarter of it.
    void paintControl(QPainter& p) override {
        const auto* s = static_cast<const Shape*>(control());
        if (!s) return;
        const int pw = s->penWidth();
        int x = pw / 2, y = pw / 2;
        int w = width() - pw + 1, h = height() - pw + 1;
        if (pw == 0) {
            --w;
            --h;
        }
        if (s->kind() != ShapeKind::Rectangle) {
            const int side = std::min(w, h);
            x += (w - side) / 2;
            y += (h - side) / 2;
            w = h = side;
        }
        if (w <= 0 || h <= 0) return;
        QPen pen(qtconv::toQColor(s->penColor()));
        pen.setWidth(std::max(1, pw));
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(s->brushClear() ? QBrush(Qt::NoBrush) : QBrush(qtconv::toQColor(s->brushColor())));
        // The outline covers [x, x + w) like the filled area.
        const QRect r(x, y, w - 1, h - 1);
        switch (s->kind()) {
        case ShapeKind::Rectangle:
            p.drawRect(r);
            break;
        case ShapeKind::Circle:
            p.setRenderHint(QPainter::Antialiasing);
            p.drawEllipse(r);
            break;
        case ShapeKind::RoundSquare: {
            p.setRenderHint(QPainter::Antialiasing);
            const qreal radius = w / 8.0;
            p.drawRoundedRect(r, radius, radius);
            break;
        }
        }
    }
};

void dirty(Shape& s) { static_cast<ControlWidget*>(s.widget())->markDirty(); }

}  // namespace

Shape::Shape(Form& owner, std::string name)
    : Control(owner, std::move(name), new ShapeWidget(owner.impl().parentForControls())) {}

void Shape::setKind(ShapeKind k) {
    if (k == kind_) return;
    kind_ = k;
    dirty(*this);
}

void Shape::setPenColor(design::Rgb c) {
    if (c == penColor_) return;
    penColor_ = c;
    dirty(*this);
}

void Shape::setPenWidth(int w) {
    w = std::max(0, w);
    if (w == penWidth_) return;
    penWidth_ = w;
    dirty(*this);
}

void Shape::scaleBy(int num, int den) {
    Control::scaleBy(num, den);
    if (penWidth_ > 0) setPenWidth(std::max(1, qtconv::mulDiv(penWidth_, num, den)));
}

void Shape::setBrushColor(design::Rgb c) {
    if (c == brushColor_) return;
    brushColor_ = c;
    dirty(*this);
}

void Shape::setBrushClear(bool clear) {
    if (clear == brushClear_) return;
    brushClear_ = clear;
    dirty(*this);
}

}  // namespace vos
