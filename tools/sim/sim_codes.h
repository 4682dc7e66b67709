#pragma once
// Byte values of the serial link between the panel and the control, seen
// from the control's side: what the simulator sends (screen, cursor, lamp and
// beep commands, characters) and what it receives (key codes).

#include <cstdint>

namespace vos::sim {

inline constexpr int kRows = 12;
inline constexpr int kColumns = 40;

// Sent to the panel.
namespace out {
inline constexpr uint8_t kBeep = 0x80;
inline constexpr uint8_t kOverwriteMode = 0x82;
inline constexpr uint8_t kClearScreen = 0x83;  // home, then clear everything
inline constexpr uint8_t kCursorBlink = 0x84;
inline constexpr uint8_t kCursorSteady = 0x85;
inline constexpr uint8_t kCursorOff = 0x86;  // also blanks every cursor strip
inline constexpr uint8_t kInsertMode = 0x87;
inline constexpr uint8_t kRight = 0x88;  // wraps to the next row after column 40
inline constexpr uint8_t kLeft = 0x89;
inline constexpr uint8_t kDown = 0x8A;  // row 12 wraps to row 1
inline constexpr uint8_t kUp = 0x8B;
inline constexpr uint8_t kHome = 0x8C;
inline constexpr uint8_t kLineStart = 0x8D;
inline constexpr uint8_t kClearEolNewLine = 0x8E;
inline constexpr uint8_t kCharBit = 0x80;  // a character c (32..126) is sent as c | 0x80
// Lamp groups: high nibble = group, low nibble = data.
inline constexpr uint8_t kLampSelect16 = 0x10;  // value v lights Led00 + v
inline constexpr uint8_t kLampSelect32 = 0x20;  // 1..6 -> Led30..35, 10..13 -> Led36..39
inline constexpr uint8_t kLampBits40 = 0x40;    // bits 0..3 -> Led16..19
inline constexpr uint8_t kLampBits50 = 0x50;    // bits 0..3 -> Led20..23
inline constexpr uint8_t kLampBits60 = 0x60;    // bit 3 -> Led40
inline constexpr uint8_t kLampBits70 = 0x70;    // bit 0 -> Led41, bit 2 -> Led42
}  // namespace out

// Received from the panel.
namespace key {
inline constexpr uint8_t kIdle = 0x00;
inline constexpr uint8_t kRight = 0x88;    // Right arrow
inline constexpr uint8_t kLeft = 0x89;     // Left arrow
inline constexpr uint8_t kExecute = 0x8A;  // Execute key
inline constexpr uint8_t kUp = 0x8B;       // Up arrow
inline constexpr uint8_t kDown = 0x8C;     // Down arrow
inline constexpr uint8_t kBackspace = 0x8D;
inline constexpr uint8_t kInsert = 0x8E;
inline constexpr uint8_t kDelete = 0x8F;
inline constexpr uint8_t kPadPrevious = 0x90;  // shifted pad keys without a character
inline constexpr uint8_t kPadNext = 0x91;
inline constexpr uint8_t kPadErase = 0x93;
inline constexpr uint8_t kCharFirst = 0xA0;  // ' ' | 0x80
inline constexpr uint8_t kCharLast = 0xDF;   // '_' | 0x80
inline constexpr uint8_t kMachineToggle0 = 0x40;
inline constexpr uint8_t kMachineToggle1 = 0x41;
// Soft keys 1 to 10, left to right under the screen.
inline constexpr uint8_t kSoftKeys[10] = {0x81, 0x80, 0x82, 0x83, 0x84,
                                          0x85, 0x86, 0x87, 0x98, 0x99};
// Machine keys of the two top rows: 0x11..0x17 and 0x19..0x1F. Each sits
// under the lamp that the selector value of the same number lights.
constexpr bool IsMachineSelectKey(uint8_t code) {
    return (code >= 0x11 && code <= 0x17) || (code >= 0x19 && code <= 0x1F);
}
}  // namespace key

}  // namespace vos::sim
