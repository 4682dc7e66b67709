#include "platform/qt/key_preview.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPointer>
#include <algorithm>

#include "platform/qt/form_impl.h"

namespace vos {

KeyPreviewFilter::KeyPreviewFilter(Form& form) : form_(form) { qApp->installEventFilter(this); }

KeyPreviewFilter::~KeyPreviewFilter() {
    if (qApp) qApp->removeEventFilter(this);
}

// Qt offers a key first to the focus widget, then to each parent in turn
// while it is ignored, calling the application filters at every step. To see
// each key exactly once, the filter previews it at the first step, delivers
// it itself (the propagation happens inside that delivery, where this event
// is recognised and let through), then stops the outer propagation. The text
// of dead keys, compose sequences and input methods comes as an input-method
// event instead of key presses, and is previewed the same way.
bool KeyPreviewFilter::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::InputMethod && type != QEvent::FocusIn) return false;
    if (!watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    Form::Impl& d = form_.impl();
    if (w->window() != d.window) return false;
    if (type == QEvent::FocusIn) {
        // The platform composes characters only for a focus widget that
        // accepts input methods; without this a dead key would be lost on a
        // focused list and the next letter would arrive alone.
        w->setAttribute(Qt::WA_InputMethodEnabled);
        return false;
    }
    if (std::find(delivering_.begin(), delivering_.end(), event) != delivering_.end()) return false;
    QPointer<QWidget> target = w;
    if (type == QEvent::KeyPress)
        d.dispatchKey(*static_cast<QKeyEvent*>(event));
    else
        d.dispatchCommit(*static_cast<QInputMethodEvent*>(event));
    if (!target) return true;  // the handler destroyed the receiver
    delivering_.push_back(event);
    QCoreApplication::sendEvent(target, event);
    delivering_.erase(std::find(delivering_.begin(), delivering_.end(), event));
    event->accept();
    return true;
}

}  // namespace vos
