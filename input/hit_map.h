#pragma once
// Mouse presses on the panel picture: which key a press means (normal map for
// the left button, shifted map for the right button or Shift), the key's
// highlight frame shown until the release, and its code sent through the
// Keyboard. The regions are the constexpr tables of design/hit_map.h, read
// through the look-ups of input/hit_map_tables.h.
//
// Threading: GUI thread only. Ownership: the main window owns the HitMap; the
// 120 frames Shape0..Shape119 belong to the Form. The Keyboard is created
// later and handed over with setKeyboard(); until then presses only show
// frames.
#include <array>
#include <optional>

#include "input/hit_map_tables.h"
#include "platform/qt/form.h"
#include "platform/qt/shape.h"

namespace vos::input {

class Keyboard;

class HitMap {
public:
    // Creates Shape0..Shape119: rounded squares, no fill, pen width 2, white,
    // hidden.
    explicit HitMap(Form& form);

    void setKeyboard(Keyboard& keyboard) { keyboard_ = &keyboard; }

    // Press on the form's own surface; the position is the pointer's current
    // one (form.cursorPos()), not the event's, taken back to design pixels
    // when the window is scaled. A failing send propagates to the caller's
    // guard after the frame was shown.
    //
    // A finger (shift.touch) cannot tell a left from a right press at once:
    // its left press shows the normal map's frame and keeps the code until
    // the release sends it; a right press that comes while it is held (the
    // platform's long press) drops that code and acts as a right press.
    // Each touch so sends one code.
    void FormMouseDown(MouseButton button, ShiftState shift);
    // The same at a given position in design pixels (the unscaled window's
    // client pixels; tests, and callers that already read the pointer).
    void FormMouseDownAt(MouseButton button, ShiftState shift, int x, int y);
    // Release of any button: sends a touch press's kept code, hides the
    // frames, updates the button flags.
    void FormMouseUp(MouseButton button);
    void MasquerCadres();

    // The activation pen color of the 36 frames of kActivationFrames; called
    // at each activation of the main window.
    void colorActivationFrames();

    Shape& frame(int index) { return *frames_.at(static_cast<std::size_t>(index)); }

private:
    void send(std::uint8_t code);
    void endPress(MouseButton button);

    Form& form_;
    Keyboard* keyboard_ = nullptr;
    // A finger's left press is held, with the code its release sends.
    bool fingerPress_ = false;
    std::optional<std::uint8_t> releaseCode_;
    std::array<Shape*, design::hitmap::kFrameCount> frames_{};
};

}  // namespace vos::input
