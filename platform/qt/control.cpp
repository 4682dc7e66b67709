#include "platform/qt/control.h"

#include <QFont>
#include <algorithm>
#include <QWidget>

#include "platform/qt/control_widget.h"
#include "platform/qt/form_impl.h"
#include "platform/qt/qt_convert.h"

namespace vos {

Control::Control(Form& owner, std::string name, QWidget* widget)
    : form_(owner), name_(std::move(name)), widget_(widget) {
    widget_->setParent(owner.impl().parentForControls());
    widget_->setObjectName(qtconv::toQString(name_));
    widget_->setFont(qtconv::toQFont(owner.impl().font));
    if (auto* cw = dynamic_cast<ControlWidget*>(widget_)) cw->setControl(this);
    // Later-created controls lie above earlier ones.
    widget_->raise();
    widget_->setVisible(true);
    owner.impl().registerControl(this);
}

Control::~Control() {
    form_.impl().unregisterControl(this);
    if (auto* cw = dynamic_cast<ControlWidget*>(widget_)) cw->setControl(nullptr);
    delete widget_;
}

int Control::left() const { return widget_->x(); }
int Control::top() const { return widget_->y(); }
int Control::width() const { return widget_->width(); }
int Control::height() const { return widget_->height(); }
design::Bounds Control::bounds() const { return {left(), top(), width(), height()}; }

void Control::setLeft(int v) { widget_->move(v, widget_->y()); }
void Control::setTop(int v) { widget_->move(widget_->x(), v); }
void Control::setWidth(int v) { widget_->resize(std::max(0, v), widget_->height()); }
void Control::setHeight(int v) { widget_->resize(widget_->width(), std::max(0, v)); }
void Control::setBounds(design::Bounds b) {
    widget_->setGeometry(b.left, b.top, std::max(0, b.width), std::max(0, b.height));
}

void Control::setVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    if (auto* cw = dynamic_cast<ControlWidget*>(widget_))
        cw->setShown(v);
    else
        widget_->setVisible(v);
}

void Control::setEnabled(bool v) {
    if (v == enabled_) return;
    enabled_ = v;
    widget_->setEnabled(v);
    if (auto* cw = dynamic_cast<ControlWidget*>(widget_)) cw->syncMouseTransparency();
}

void Control::setHint(std::string utf8) {
    if (utf8 == hint_) return;
    hint_ = std::move(utf8);
    widget_->setToolTip(qtconv::toQString(hint_));
}

void Control::bringToFront() { widget_->raise(); }
void Control::sendToBack() { widget_->lower(); }
void Control::placeBelow(Control& other) { widget_->stackUnder(other.widget_); }

void Control::scaleBy(int num, int den) {
    using qtconv::mulDiv;
    const design::Bounds b = bounds();
    setBounds({mulDiv(b.left, num, den), mulDiv(b.top, num, den), mulDiv(b.width, num, den),
               mulDiv(b.height, num, den)});
    QFont f = widget_->font();
    if (f.pixelSize() > 0) {
        f.setPixelSize(std::max(1, mulDiv(f.pixelSize(), num, den)));
        widget_->setFont(f);
    }
}

}  // namespace vos
