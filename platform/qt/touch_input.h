#pragma once
// A finger on a form, turned into the presses and releases a mouse would
// give, for workshop panels that have a touchscreen and no mouse. Private to
// platform/qt; the form's window hands it every touch event it receives
// (it takes them all, so Qt does not make mouse events of its own from them:
// each touch reaches the handlers once).
//
// One finger at a time; other fingers are ignored. The presses it makes
// carry ShiftState::touch:
// - on a control (a command area, a caption): a left press where the finger
//   goes down and the release where it comes up; a tap so is a click;
// - on the form's own surface (the panel's keys): the left press at once,
//   and when the finger stays down kHoldMs without moving, a right press
//   there (the shifted map), whose release comes with the finger's.
// A press that starts in a drag area moves the window with the finger.
//
// Threading: GUI thread only. Ownership: the form's Impl owns it.
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

#include <QPointingDevice>

class QTouchEvent;
class QWidget;

namespace vos {

class TouchInput {
public:
    static constexpr int kHoldMs = 500;

    // `surface`: the form's client area inside the window, whose own
    // surface (where no control lies) counts as the form's.
    TouchInput(QWidget& window, std::function<QWidget*()> surface);
    TouchInput(const TouchInput&) = delete;
    TouchInput& operator=(const TouchInput&) = delete;

    // A touch event delivered to the window (positions in its coordinates).
    void handle(QTouchEvent& e);

private:
    void begin(int id, QPointF pos, QPointF global);
    void move(QPointF pos, QPointF global);
    void end(QPointF pos, QPointF global);
    void hold();
    void send(int type, Qt::MouseButton button, Qt::MouseButtons buttons, QPointF pos, QPointF global);

    QWidget& window_;
    std::function<QWidget*()> surface_;
    std::unique_ptr<QPointingDevice> device_;  // the source of the presses made
    QPointer<QWidget> target_;  // where a mouse press at the finger would go
    int id_ = -1;               // the finger followed; -1 = none
    QPointF start_;
    QPointF last_, lastGlobal_;
    bool moved_ = false;
    bool held_ = false;         // became a right press
    QTimer holdTimer_;
};

}  // namespace vos
