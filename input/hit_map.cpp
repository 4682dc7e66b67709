#include "input/hit_map.h"

#include <string>
#include <utility>

#include "input/keyboard.h"

namespace vos::input {

HitMap::HitMap(Form& form) : form_(form) {
    for (int i = 0; i < design::hitmap::kFrameCount; ++i) {
        Shape& s = form.addShape("Shape" + std::to_string(i));
        s.setKind(ShapeKind::RoundSquare);
        s.setBrushClear(true);
        s.setPenWidth(design::hitmap::kFramePenWidth);
        s.setPenColor(design::hitmap::kFrameDesignPen);
        s.setBounds(design::hitmap::frameBounds(i));
        s.hide();
        frames_[static_cast<std::size_t>(i)] = &s;
    }
}

void HitMap::send(std::uint8_t code) {
    if (keyboard_) keyboard_->EnvoyerCode(code);
}

void HitMap::FormMouseDown(MouseButton button, ShiftState shift) {
    const auto [cx, cy] = form_.cursorPos();
    const auto [x, y] = form_.toDesign(cx, cy);
    FormMouseDownAt(button, shift, x, y);
}

void HitMap::FormMouseDownAt(MouseButton button, ShiftState shift, int x, int y) {
    if (fingerPress_ && button == MouseButton::Right) {
        // The finger held still: it was a right press, not a left one.
        fingerPress_ = false;
        releaseCode_.reset();
        MasquerCadres();
    }
    if (button == MouseButton::Right && keyboard_) keyboard_->noteRightPress();
    if (button == MouseButton::Left && !shift.shift) {
        if (const auto hit = normalHit(x, y)) {
            frame(hit->frame).show();  // the frame first, then the code
            if (shift.touch) {
                fingerPress_ = true;
                releaseCode_ = hit->code;
            } else if (hit->code) {
                send(*hit->code);
            }
        }
    } else if (button == MouseButton::Right || shift.shift) {
        if (const auto hit = shiftedHit(x, y)) {
            frame(hit->frame).show();
            if (hit->code) send(*hit->code);
        }
        if (keyboard_) keyboard_->noteShiftedPress();
    }
    // Middle button without Shift: nothing.
}

// A kept code goes before the frame is hidden, as a mouse press's goes
// while its frame shows; a failing send still ends the press.
void HitMap::FormMouseUp(MouseButton button) {
    fingerPress_ = false;
    const std::optional<std::uint8_t> code = std::exchange(releaseCode_, std::nullopt);
    try {
        if (code) send(*code);
    } catch (...) {
        endPress(button);
        throw;
    }
    endPress(button);
}

void HitMap::endPress(MouseButton button) {
    MasquerCadres();
    if (keyboard_) keyboard_->noteRelease(button);
}

void HitMap::MasquerCadres() {
    // Frames outside every region are never shown, so hiding all of them is
    // the same as hiding those a press can show.
    for (Shape* s : frames_) s->hide();
}

void HitMap::colorActivationFrames() {
    for (int i : design::hitmap::kActivationFrames) frame(i).setPenColor(design::hitmap::kActivationPen);
}

}  // namespace vos::input
