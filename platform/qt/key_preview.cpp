#include "platform/qt/key_preview.h"

#include <QApplication>
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
// is recognised and let through), then stops the outer propagation.
bool KeyPreviewFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(watched);
    Form::Impl& d = form_.impl();
    if (w->window() != d.window) return false;
    if (std::find(delivering_.begin(), delivering_.end(), event) != delivering_.end()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    QPointer<QWidget> target = w;
    d.dispatchKey(*key);
    if (!target) return true;  // the handler destroyed the receiver
    delivering_.push_back(event);
    QCoreApplication::sendEvent(target, event);
    delivering_.erase(std::find(delivering_.begin(), delivering_.end(), event));
    event->accept();
    return true;
}

}  // namespace vos
