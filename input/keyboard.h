#pragma once
// The send side of the link: every operator key action becomes one byte, and
// the 2-ms send timer writes the idle byte (or a held-key code) at each tick.
//
// Threading: GUI thread only; never re-entered. Ownership: the main window
// owns the Keyboard; it keeps references to the sink, the zoom and the
// screen, which must outlive it.
#include <array>
#include <cstdint>

#include "input/key_codes.h"
#include "platform/qt/control.h"

namespace vos::panel {
class Screen;
}  // namespace vos::panel

namespace vos::input {

class Zoom;

// Where key codes go (the serial port component in the program, a recorder in
// tests).
struct ByteSink {
    virtual ~ByteSink() = default;
    // Queues the bytes for sending; throws when they cannot be queued (port
    // not open, no room in the output ring).
    virtual void SendBlock(const std::uint8_t* data, std::uint16_t len) = 0;
    // True when one more byte can be queued now: port open and room in the
    // output ring.
    virtual bool canSendIdle() const = 0;
};

class Keyboard {
public:
    Keyboard(ByteSink& sink, Zoom& zoom, const panel::Screen& screen);

    // Hands one code to the sink. Exceptions from the sink propagate to the
    // caller's guard: the code is lost and reported once.
    void EnvoyerCode(std::uint8_t code);

    // Key-down (auto-repeat included): the table of key_codes.h, whatever the
    // modifiers; Escape changes screen and sends nothing. Ctrl+C (without
    // Alt) copies the screen's text to the clipboard and sends nothing.
    void FormKeyDown(std::uint16_t vkey, ShiftState shift);
    // Translated character (Latin-1), composed ones included.
    void FormKeyPress(std::uint8_t ch);
    // Tick of the 2-ms send timer. When the sink cannot take a byte now the
    // tick is skipped silently: a closed port must not raise one error per tick.
    void Timer1Timer();
    // The byte the next tick sends: the first held key's code, else idle.
    std::uint8_t timerCode() const;

    // Button bookkeeping of the hit map (input/hit_map.h).
    void noteRightPress() { rightButton = true; }
    void noteShiftedPress() { shiftLatch = true; }
    // Any release: another button than the right one clears the right-button
    // flag; the latch takes the flag's value; every held key is released.
    void noteRelease(MouseButton button);

    // Eight held-key flags (no input of this panel sets them; the timer still
    // honours them), the shifted latch and the right-button flag.
    std::array<bool, keycodes::kHeldKeyCount> heldKeys{};
    bool shiftLatch = false;
    bool rightButton = false;

private:
    ByteSink& sink_;
    Zoom& zoom_;
    const panel::Screen& screen_;
};

}  // namespace vos::input
