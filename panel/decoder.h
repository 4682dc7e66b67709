#pragma once
// The decoder of the byte stream from the control. Every byte is a complete
// command or character, applied at once and in order; the decoder keeps no
// state between bytes (only the screen and the lamps do).
//
//   0-15, 129, 144-155, 157-159  nothing
//   16-127                        lamp commands (LampBank::CommandeVoyants)
//   128                           beep, 500 Hz for 50 ms
//   130-143, 156                  screen and cursor commands
//   160-255                       character (byte - 128; 255 is ±)
//
// Threading: GUI thread only. Not re-entrant with itself; the beep function
// blocks until the tone has ended, and the next byte waits for it.
#include <cstdint>
#include <functional>

namespace vos::panel {

class Screen;
class LampBank;

class Decoder {
public:
    using BeepFn = std::function<void(int frequencyHz, int durationMs)>;

    Decoder(Screen& screen, LampBank& lamps, BeepFn beep);

    void TraiterOctet(std::uint8_t b);

    // The character code carried by a byte 160..255.
    static constexpr std::uint8_t characterCode(std::uint8_t b) {
        return b == 255 ? 177 : static_cast<std::uint8_t>(b - 128);
    }

    static constexpr int kBeepHz = 500;
    static constexpr int kBeepMs = 50;

private:
    void screenCommand(std::uint8_t b);

    Screen& screen_;
    LampBank& lamps_;
    BeepFn beep_;
};

}  // namespace vos::panel
