#pragma once
// Qt widget behind the non-windowed controls (label, shape, picture, graphic
// control). It routes mouse input to the control's handlers through the guard,
// consults the form's non-client hit test first (these controls are part of
// the form's own surface, so a press on one inside a drag area drags the
// window), and coalesces repaint requests. Private to platform/qt.
#include <QWidget>

namespace vos {

class Control;

class ControlWidget : public QWidget {
public:
    explicit ControlWidget(QWidget* parent);

    void setControl(Control* c) { control_ = c; }
    Control* control() const { return control_; }

    // Asks for one repaint. Repeated calls before the paint cost nothing, so
    // a burst of property changes costs one repaint; a hidden control is
    // repainted when shown.
    void markDirty() {
        if (!dirty_ && shown_) {
            dirty_ = true;
            update();
        }
    }

    // Visibility of the control. The widget itself stays shown: a hidden
    // control paints nothing, lets presses through and shows no tooltip.
    // Switching a Qt widget's visibility costs microseconds (show/hide
    // events, focus and layout bookkeeping); this costs a flag and one
    // repaint, which matters for lamps switched by the byte stream.
    void setShown(bool on);
    bool shown() const { return shown_; }

    // Presses fall through to what lies below while the control is disabled
    // (the background picture).
    void setPassMouseWhenDisabled(bool on);
    void syncMouseTransparency();

    // The control paints every pixel of its area when shown (lets Qt skip
    // painting what lies below).
    void setOpaque(bool on);

protected:
    void paintEvent(QPaintEvent* e) override;
    bool event(QEvent* e) override;
    // Subclasses paint here; the dirty mark is already cleared.
    virtual void paintControl(class QPainter& p) = 0;

    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void handlePress(QMouseEvent* e, bool doubleClick);
    Control* control_ = nullptr;
    bool dirty_ = false;
    bool leftDown_ = false;
    bool passMouseWhenDisabled_ = false;
    bool shown_ = true;
    bool opaque_ = false;
};

}  // namespace vos
