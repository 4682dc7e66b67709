// Events of a form's top-level widget: mouse presses on the form's own
// surface, keys that reach the form itself, the close request.
#include <QCloseEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTouchEvent>
#include <QWindow>

#include "platform/qt/form_impl.h"
#include "platform/qt/guard.h"
#include "platform/qt/key_preview.h"
#include "platform/qt/qt_convert.h"
#include "platform/qt/virtual_keys.h"

namespace vos {

FormWidget::FormWidget(Form& form, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), form_(form), touch_(*this, [&form] { return form.impl().surface; }) {
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    // Touches over the controls come here too (they take none themselves).
    setAttribute(Qt::WA_AcceptTouchEvents);
    // Input methods, so that dead keys and compose sequences reach the form
    // as the one character they make, never as their last key alone.
    setAttribute(Qt::WA_InputMethodEnabled);
}

bool FormWidget::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
        touch_.handle(*static_cast<QTouchEvent*>(e));
        return true;
    default:
        return QWidget::event(e);
    }
}

void FormWidget::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    form_.impl().placeSurface();
}

// Presses on the client area's own surface (no control takes them there)
// come here from it, in the window's coordinates.
void FormWidget::press(QMouseEvent* e, bool doubleClick) {
    e->accept();
    Form::Impl& d = form_.impl();
    const QPoint pos = d.toClient(e->position().toPoint());
    if (d.pressStartsDrag(*e, pos)) return;
    MouseButton b;
    if (!qtconv::toMouseButton(e->button(), b) || !form_.onMouseDown) return;
    ShiftState s = qtconv::toShiftState(*e);
    s.doubleClick = doubleClick;
    EventPosScope scope(d, pos);
    const auto handler = form_.onMouseDown;
    guarded([&] { handler(b, s, pos.x(), pos.y()); });
}

void FormWidget::mousePressEvent(QMouseEvent* e) { press(e, false); }

// Qt delivers the second press of a double click only as this event.
void FormWidget::mouseDoubleClickEvent(QMouseEvent* e) { press(e, true); }

void FormWidget::mouseMoveEvent(QMouseEvent* e) {
    e->accept();
    form_.impl().dragMove(e->globalPosition().toPoint());
}

void FormWidget::mouseReleaseEvent(QMouseEvent* e) {
    e->accept();
    Form::Impl& d = form_.impl();
    if (d.endDrag()) return;
    MouseButton b;
    if (!qtconv::toMouseButton(e->button(), b) || !form_.onMouseUp) return;
    const QPoint pos = d.toClient(e->position().toPoint());
    const ShiftState s = qtconv::toShiftState(*e);
    EventPosScope scope(d, pos);
    const auto handler = form_.onMouseUp;
    guarded([&] { handler(b, s, pos.x(), pos.y()); });
}

// Keys that reach the form itself. With key preview on, the filter has
// already shown them to the handlers.
void FormWidget::keyPressEvent(QKeyEvent* e) {
    Form::Impl& d = form_.impl();
    if (!d.preview) d.dispatchKey(*e);
    e->accept();
}

// Composed characters that reach the form itself (key preview off).
void FormWidget::inputMethodEvent(QInputMethodEvent* e) {
    Form::Impl& d = form_.impl();
    if (!d.preview) d.dispatchCommit(*e);
    e->accept();
}

void FormWidget::closeEvent(QCloseEvent* e) {
    Form::Impl& d = form_.impl();
    if (d.closing) {  // a close requested from inside onClose
        e->ignore();
        return;
    }
    d.closing = true;
    if (form_.onClose) {
        const auto handler = form_.onClose;
        guarded(handler);
    }
    d.closing = false;
    d.closeRequested = true;
    e->accept();
    d.closed();
}

// --- Form::Impl: keys, drag, activation ---------------------------------------

void Form::Impl::dispatchKey(const QKeyEvent& e) {
    if (const std::uint16_t vk = virtualKeyOf(e); vk != 0 && form.onKeyDown) {
        const ShiftState s = qtconv::toShiftState(e.modifiers(), QGuiApplication::mouseButtons());
        const auto handler = form.onKeyDown;
        guarded([&] { handler(vk, s); });
    }
    if (const auto ch = characterOf(e); ch && form.onKeyPress) {
        const auto handler = form.onKeyPress;
        guarded([&] { handler(*ch); });
    }
}

void Form::Impl::dispatchCommit(const QInputMethodEvent& e) {
    if (!form.onKeyPress) return;
    for (const std::uint8_t ch : charactersOf(e.commitString())) {
        const auto handler = form.onKeyPress;
        guarded([&] { handler(ch); });
    }
}

bool Form::Impl::pressStartsDrag(const QMouseEvent& e, QPoint client) {
    if (!form.onNcHitTest || fullScreen) return false;
    bool caption = false;
    const auto test = form.onNcHitTest;
    guarded([&] { caption = test(client.x(), client.y()); });
    if (!caption) return false;
    captionPress = true;
    if (e.button() != Qt::LeftButton) return true;
    // A finger's press has no pointer for the window manager to follow.
    QWindow* w = window->windowHandle();
    if (w && !qtconv::toShiftState(e).touch && w->startSystemMove()) return true;
    // No window manager move: follow the pointer ourselves until release.
    manualDrag = true;
    dragFromGlobal = e.globalPosition().toPoint();
    dragFromPos = window->pos();
    return true;
}

void Form::Impl::dragMove(QPoint global) {
    if (manualDrag) window->move(dragFromPos + (global - dragFromGlobal));
}

bool Form::Impl::endDrag() {
    const bool was = captionPress;
    captionPress = false;
    manualDrag = false;
    return was;
}

void Form::Impl::fireActivate() {
    if (activating) return;
    activating = true;
    activatedOnce = true;
    lastFocusMine = true;
    if (form.onActivate) {
        const auto handler = form.onActivate;
        guarded(handler);
    }
    activating = false;
}

// The form's activation is raised when the focus comes to it from another
// window of this program. Focus that leaves the program shows up here as "no
// focus window", which does not count as another window: coming back from
// another application raises nothing.
void Form::Impl::focusWindowChanged(QWindow* now) {
    if (!now) return;
    if (now != window->windowHandle()) {
        lastFocusMine = false;
        return;
    }
    if (!activatedOnce || lastFocusMine) {
        lastFocusMine = true;
        return;
    }
    fireActivate();
}

}  // namespace vos
