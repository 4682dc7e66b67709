#include "serial/status_light.h"

namespace vos::serial {

TSerialCustomStatusLight::TSerialCustomStatusLight(Form& form, std::string name)
    : control_(form.addGraphic(std::move(name))) {
    control_.setBounds({0, 0, kDefaultSize, kDefaultSize});
    // The control lives on the Form, which outlives this object only if the
    // owner forgets it: the destructor unhooks the callback.
    control_.onPaint = [this](Canvas& c) { Paint(c, control_.width(), control_.height()); };
}

TSerialCustomStatusLight::~TSerialCustomStatusLight() { control_.onPaint = nullptr; }

void TSerialCustomStatusLight::setLit(bool on) {
    if (on == lit_) return;
    lit_ = on;
    control_.invalidate();
}

void TSerialCustomStatusLight::setLitColor(design::Rgb c) {
    if (c == litColor_) return;
    litColor_ = c;
    if (lit_ && glyph_.empty()) control_.invalidate();
}

void TSerialCustomStatusLight::setNotLitColor(design::Rgb c) {
    if (c == notLitColor_) return;
    notLitColor_ = c;
    if (!lit_ && glyph_.empty()) control_.invalidate();
}

void TSerialCustomStatusLight::setGlyph(const Bitmap& glyph) {
    glyph_ = glyph;
    setBounds(control_.bounds());
    control_.invalidate();
}

void TSerialCustomStatusLight::setBounds(design::Bounds b) {
    if (!glyph_.empty()) {
        b.width = glyph_.width() / 2;
        b.height = glyph_.height();
    }
    control_.setBounds(b);
}

void TSerialCustomStatusLight::Paint(Canvas& canvas, int width, int height) const {
    if (glyph_.empty())
        paintPlain(canvas, width, height);
    else
        paintGlyph(canvas, width, height);
}

// Lines exclude their end point, so the white edges cover the whole top row
// and left column, and the grey ones the right column and bottom row from
// the second pixel on: the bottom-left and top-right corners stay white.
void TSerialCustomStatusLight::paintPlain(Canvas& canvas, int width, int height) const {
    canvas.fillRect({0, 0, width, height}, lit_ ? litColor_ : notLitColor_);
    canvas.line(0, 0, width, 0, kEdgeLight);
    canvas.line(0, 0, 0, height, kEdgeLight);
    canvas.line(width - 1, 1, width - 1, height, kEdgeShadow);
    canvas.line(1, height - 1, width, height - 1, kEdgeShadow);
}

void TSerialCustomStatusLight::paintGlyph(Canvas& canvas, int width, int height) const {
    canvas.fillRect({0, 0, width, height}, canvas.parentBackground());
    const int half = glyph_.width() / 2;
    const design::Bounds src{lit_ ? 0 : half, 0, half, glyph_.height()};
    canvas.drawImage(glyph_, src, 0, 0, glyph_.pixel(0, 0));
}

}  // namespace vos::serial
