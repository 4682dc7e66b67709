#pragma once
// Key preview of a form: an application-wide event filter that gives the
// form's key handlers every key press meant for one of the form's widgets,
// and every character an input method commits to one of them, before that
// widget sees it. The widget still receives the event afterwards. A widget
// of the form that takes the focus is made to accept input methods, so that
// composed characters reach the preview wherever the focus is.
// Private to platform/qt.
#include <QObject>
#include <vector>

namespace vos {

class Form;

class KeyPreviewFilter : public QObject {
public:
    explicit KeyPreviewFilter(Form& form);
    ~KeyPreviewFilter() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Form& form_;
    // Key events this filter is delivering itself: their propagation to the
    // parents of the receiver must not be previewed a second time.
    std::vector<const QEvent*> delivering_;
};

}  // namespace vos
