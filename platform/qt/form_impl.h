#pragma once
// Form::Impl: the state behind a Form and the Qt top-level widget that shows
// it. Private to platform/qt (controls reach their form through it).
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "platform/qt/form.h"
#include "platform/qt/timer.h"
#include "platform/qt/touch_input.h"

class QEventLoop;
class QInputMethodEvent;
class QKeyEvent;
class QMouseEvent;
class QWindow;

namespace vos {

class KeyPreviewFilter;

// The client area of a form: a top-level widget whose coordinates are the
// form's client coordinates.
class FormWidget : public QWidget {
public:
    FormWidget(Form& form, Qt::WindowFlags flags);

protected:
    bool event(QEvent* e) override;  // touches, through TouchInput
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void press(QMouseEvent* e, bool doubleClick);
    void resizeEvent(QResizeEvent* e) override;  // keeps the client area centred
    Form& form_;
    TouchInput touch_;
};

struct Form::Impl {
    Impl(Form& f, FormStyle style);
    ~Impl();

    Form& form;
    FormWidget* window;                          // owned; deleted last
    // The client area: the parent of every control, as large as the window,
    // or centred in it on a black ground while the window fills its screen.
    QWidget* surface;                            // owned by `window`
    bool fullScreen = false;
    void placeSurface();
    // A point of the window in client coordinates.
    QPoint toClient(QPoint windowPos) const { return windowPos - surface->pos(); }
    std::vector<std::unique_ptr<Control>> owned;  // creation (z-) order
    std::vector<Control*> controls;               // every live control
    std::vector<std::unique_ptr<Timer>> timers;
    // The composed factor of every scaleBy, reduced, and the client size
    // before the first one.
    long long scaleNum = 1, scaleDen = 1;
    std::optional<QSize> unscaledClient;
    FontSpec font;
    design::Rgb color = design::colors::Black;

    // Key preview: the filter sees every key for the form's widgets first.
    std::unique_ptr<KeyPreviewFilter> preview;
    // Runs onKeyDown / onKeyPress for one key press, through the guard.
    void dispatchKey(const QKeyEvent& e);
    // Runs onKeyPress for each character an input method committed (a dead
    // key or compose sequence gives one), through the guard.
    void dispatchCommit(const QInputMethodEvent& e);

    // Show and activation.
    bool shownOnce = false;
    bool activatedOnce = false;
    bool activating = false;
    bool lastFocusMine = true;  // the last window of this program that had the focus was this one
    bool closeRequested = false;
    bool closing = false;
    void fireActivate();
    void raiseAndActivate();
    void closed();

    // A running showModal(): its loop and result.
    QEventLoop* modalLoop = nullptr;
    ModalResult modalResult = ModalResult::None;
    void focusWindowChanged(QWindow* now);

    // Mouse: a press in a "caption" area (onNcHitTest) moves the window and
    // is not seen by the mouse handlers, nor is its release.
    bool captionPress = false;
    bool manualDrag = false;
    QPoint dragFromGlobal, dragFromPos;
    bool pressStartsDrag(const QMouseEvent& e, QPoint client);
    void dragMove(QPoint global);
    bool endDrag();

    // Position of the mouse event being delivered (client coordinates), so
    // cursorPos() in a mouse handler is where the press happened.
    std::optional<QPoint> eventPos;

    void registerControl(Control* c);
    void unregisterControl(Control* c);
    QWidget* parentForControls() const { return surface; }
};

// Keeps the position of the mouse event being delivered visible to
// Form::cursorPos() for the duration of a handler.
class EventPosScope {
public:
    EventPosScope(Form::Impl& d, QPoint p) : d_(d), saved_(d.eventPos) { d_.eventPos = p; }
    ~EventPosScope() { d_.eventPos = saved_; }
    EventPosScope(const EventPosScope&) = delete;
    EventPosScope& operator=(const EventPosScope&) = delete;

private:
    Form::Impl& d_;
    std::optional<QPoint> saved_;
};

}  // namespace vos
