#include "input/hit_map.h"

#include <string>

#include "input/keyboard.h"

namespace vos {

HitMap::HitMap(Form& form) : form_(form) {
    for (int i = 0; i < hitmap::kFrameCount; ++i) {
        Shape& s = form.addShape("Shape" + std::to_string(i));
        s.setKind(ShapeKind::RoundSquare);
        s.setBrushClear(true);
        s.setPenWidth(hitmap::kFramePenWidth);
        s.setPenColor(hitmap::kFrameDesignPen);
        s.setBounds(hitmap::frameBounds(i));
        s.hide();
        frames_[static_cast<std::size_t>(i)] = &s;
    }
}

void HitMap::envoyer(std::uint8_t code) {
    if (keyboard_) keyboard_->EnvoyerCode(code);
}

void HitMap::FormMouseDown(MouseButton button, ShiftState shift) {
    const auto [x, y] = form_.cursorPos();
    FormMouseDownAt(button, shift, x, y);
}

void HitMap::FormMouseDownAt(MouseButton button, ShiftState shift, int x, int y) {
    if (button == MouseButton::Right && keyboard_) keyboard_->noteRightPress();
    if (button == MouseButton::Left && !shift.shift) {
        if (const auto hit = hitmap::normalHit(x, y)) {
            cadre(hit->frame).show();  // the frame first, then the code
            if (hit->code) envoyer(*hit->code);
        }
    } else if (button == MouseButton::Right || shift.shift) {
        if (const auto hit = hitmap::shiftedHit(x, y)) {
            cadre(hit->frame).show();
            if (hit->code) envoyer(*hit->code);
        }
        if (keyboard_) keyboard_->noteShiftedPress();
    }
    // Middle button without Shift: nothing.
}

void HitMap::FormMouseUp(MouseButton button) {
    MasquerCadres();
    if (keyboard_) keyboard_->noteRelease(button);
}

void HitMap::MasquerCadres() {
    // Frames outside every region are never shown, so hiding all of them is
    // the same as hiding those a press can show.
    for (Shape* s : frames_) s->hide();
}

void HitMap::colorerCadresActivation() {
    for (int i : hitmap::kActivationFrames) cadre(i).setPenColor(hitmap::kActivationPen);
}

}  // namespace vos
