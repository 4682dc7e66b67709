#include "input/keyboard.h"

#include "input/screen_copy.h"
#include "input/zoom.h"
#include "platform/qt/desktop.h"

namespace vos::input {

Keyboard::Keyboard(ByteSink& sink, Zoom& zoom, const panel::Screen& screen)
    : sink_(sink), zoom_(zoom), screen_(screen) {}

void Keyboard::EnvoyerCode(std::uint8_t code) { sink_.SendBlock(&code, 1); }

void Keyboard::FormKeyDown(std::uint16_t vkey, ShiftState shift) {
    if (vkey == keycodes::kEscapeKey) {
        zoom_.ChangerEcran();
        return;
    }
    if (vkey == keycodes::kCopyKey && shift.ctrl && !shift.alt) {
        copyToClipboard(screenCopyText(screen_));
        return;
    }
    if (const auto code = keycodes::codeForVirtualKey(vkey)) EnvoyerCode(*code);
}

void Keyboard::FormKeyPress(std::uint8_t ch) {
    if (const auto code = keycodes::codeForCharacter(ch)) EnvoyerCode(*code);
}

std::uint8_t Keyboard::timerCode() const {
    const std::uint8_t base = shiftLatch ? keycodes::kHeldShiftedBase : keycodes::kHeldBase;
    for (int i = 0; i < keycodes::kHeldKeyCount; ++i)
        if (heldKeys[i]) return static_cast<std::uint8_t>(base + i);
    return keycodes::kIdle;
}

void Keyboard::Timer1Timer() {
    // The timer's byte is periodic, not an operator action: when it cannot be
    // queued (port closed, ring full) this tick simply sends nothing.
    if (!sink_.canSendIdle()) return;
    EnvoyerCode(timerCode());
}

void Keyboard::noteRelease(MouseButton button) {
    if (button != MouseButton::Right) rightButton = false;
    shiftLatch = rightButton;
    heldKeys.fill(false);
}

}  // namespace vos::input
