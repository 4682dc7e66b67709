#include "platform/qt/touch_input.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QStyleHints>
#include <QTouchEvent>
#include <QWidget>

#include "platform/qt/guard.h"

namespace vos {

// The presses are made as coming from a touchscreen of their own: the real
// device's points stay Qt's alone (a mouse event sent as from them would
// take their grab, and Qt would then lose the finger's release).
TouchInput::TouchInput(QWidget& window, std::function<QWidget*()> surface)
    : window_(window),
      surface_(std::move(surface)),
      device_(std::make_unique<QPointingDevice>(QStringLiteral("vostrelle finger"), 0,
                                                QInputDevice::DeviceType::TouchScreen,
                                                QPointingDevice::PointerType::Finger,
                                                QInputDevice::Capability::Position, 1, 0)) {
    holdTimer_.setSingleShot(true);
    holdTimer_.setInterval(kHoldMs);
    QObject::connect(&holdTimer_, &QTimer::timeout, &window_, [this] { guarded([this] { hold(); }); });
}

void TouchInput::handle(QTouchEvent& e) {
    e.accept();
    for (const QEventPoint& p : e.points()) {
        if (p.state() == QEventPoint::Pressed && id_ < 0) {
            begin(p.id(), p.position(), p.globalPosition());
        } else if (p.id() != id_) {
            continue;
        } else if (p.state() == QEventPoint::Released || e.type() == QEvent::TouchCancel) {
            end(p.position(), p.globalPosition());
        } else if (p.state() == QEventPoint::Updated) {
            move(p.position(), p.globalPosition());
        }
    }
    // A cancelled sequence may carry no point: end the press all the same.
    if (e.type() == QEvent::TouchCancel && id_ >= 0) end(last_, lastGlobal_);
}

// The press goes where a mouse press would: the topmost control that takes
// presses at that point, else the form itself.
void TouchInput::begin(int id, QPointF pos, QPointF global) {
    id_ = id;
    start_ = last_ = pos;
    lastGlobal_ = global;
    moved_ = held_ = false;
    QWidget* child = window_.childAt(pos.toPoint());
    target_ = child && child != surface_() ? child : &window_;
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, pos, global);
    // With Shift held the press is a shifted one already.
    if (target_ == &window_ && !QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier))
        holdTimer_.start();
}

void TouchInput::move(QPointF pos, QPointF global) {
    last_ = pos;
    lastGlobal_ = global;
    if (!moved_ && (pos - start_).manhattanLength() > QGuiApplication::styleHints()->startDragDistance()) {
        moved_ = true;
        holdTimer_.stop();
    }
    send(QEvent::MouseMove, Qt::NoButton, held_ ? Qt::RightButton : Qt::LeftButton, pos, global);
}

void TouchInput::hold() {
    if (id_ < 0 || moved_) return;
    held_ = true;
    send(QEvent::MouseButtonPress, Qt::RightButton, Qt::LeftButton | Qt::RightButton, last_, lastGlobal_);
}

void TouchInput::end(QPointF pos, QPointF global) {
    holdTimer_.stop();
    const Qt::MouseButton button = held_ ? Qt::RightButton : Qt::LeftButton;
    id_ = -1;
    send(QEvent::MouseButtonRelease, button, Qt::NoButton, pos, global);
    target_ = nullptr;
}

void TouchInput::send(int type, Qt::MouseButton button, Qt::MouseButtons buttons, QPointF pos, QPointF global) {
    QWidget* target = target_;
    if (!target) return;  // the control went while the finger was down
    const QPointF local = target == &window_ ? pos : QPointF(target->mapFrom(&window_, pos.toPoint()));
    QMouseEvent ev(static_cast<QEvent::Type>(type), local, pos, global, button, buttons,
                   QGuiApplication::keyboardModifiers(), device_.get());
    QCoreApplication::sendEvent(target, &ev);
}

}  // namespace vos
