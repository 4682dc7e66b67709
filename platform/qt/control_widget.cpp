#include "platform/qt/control_widget.h"

#include <QMouseEvent>
#include <QPainter>

#include "platform/qt/control.h"
#include "platform/qt/form_impl.h"
#include "platform/qt/guard.h"
#include "platform/qt/qt_convert.h"

namespace vos {

ControlWidget::ControlWidget(QWidget* parent) : QWidget(parent) {}

void ControlWidget::setPassMouseWhenDisabled(bool on) {
    passMouseWhenDisabled_ = on;
    syncMouseTransparency();
}

void ControlWidget::syncMouseTransparency() {
    setAttribute(Qt::WA_TransparentForMouseEvents,
                 !shown_ || (passMouseWhenDisabled_ && !isEnabled()));
}

void ControlWidget::setOpaque(bool on) {
    opaque_ = on;
    setAttribute(Qt::WA_OpaquePaintEvent, opaque_ && shown_);
}

void ControlWidget::setShown(bool on) {
    if (on == shown_) return;
    shown_ = on;
    syncMouseTransparency();
    setAttribute(Qt::WA_OpaquePaintEvent, opaque_ && shown_);
    dirty_ = true;
    update();
}

bool ControlWidget::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        if (!shown_) return true;
        if (control_ && control_->onHint) {
            const auto ask = control_->onHint;
            guarded([&] { control_->setHint(ask()); });
        }
    }
    return QWidget::event(e);
}

void ControlWidget::paintEvent(QPaintEvent*) {
    dirty_ = false;
    if (!shown_) return;
    QPainter p(this);
    paintControl(p);
}

void ControlWidget::mousePressEvent(QMouseEvent* e) { handlePress(e, false); }

void ControlWidget::handlePress(QMouseEvent* e, bool doubleClick) {
    e->accept();
    if (!control_) return;
    Form::Impl& f = control_->form().impl();
    const QPoint local = e->position().toPoint();
    if (f.pressStartsDrag(*e, mapTo(f.surface, local))) return;
    MouseButton b;
    if (!qtconv::toMouseButton(e->button(), b)) return;
    if (b == MouseButton::Left) leftDown_ = true;
    ShiftState s = qtconv::toShiftState(*e);
    s.doubleClick = doubleClick;
    if (!control_->onMouseDown) return;
    const auto handler = control_->onMouseDown;
    EventPosScope scope(f, mapTo(f.surface, local));
    guarded([&] { handler(b, s, local.x(), local.y()); });
}

void ControlWidget::mouseMoveEvent(QMouseEvent* e) {
    e->accept();
    if (control_) control_->form().impl().dragMove(e->globalPosition().toPoint());
}

void ControlWidget::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
    if (!control_) return;
    if (control_->form().impl().endDrag()) return;
    MouseButton b;
    if (!qtconv::toMouseButton(e->button(), b)) return;
    const QPoint local = e->position().toPoint();
    const ShiftState s = qtconv::toShiftState(*e);
    const bool click = b == MouseButton::Left && leftDown_ && rect().contains(local);
    if (b == MouseButton::Left) leftDown_ = false;
    // The handlers may hide or move the control; keep the pointer to it only.
    Control* c = control_;
    Form::Impl& f = c->form().impl();
    EventPosScope scope(f, mapTo(f.surface, local));
    if (c->onMouseUp) {
        const auto handler = c->onMouseUp;
        guarded([&] { handler(b, s, local.x(), local.y()); });
    }
    if (click && c->onClick) {
        const auto handler = c->onClick;
        guarded(handler);
    }
}

// Qt delivers the second press of a double click only as this event: the
// double-click handler runs, then the press as usual (flagged as double).
void ControlWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    e->accept();
    if (!control_) return;
    if (e->button() == Qt::LeftButton && control_->onDblClick) {
        Control* c = control_;
        guarded([&] { c->onDblClick(); });
    }
    handlePress(e, true);
}

}  // namespace vos
