#pragma once
// The send direction's key codes: one unsigned byte per key action, and the
// mapping of the PC keyboard's keys and characters to them. Pure data.
#include <array>
#include <cstdint>
#include <optional>

namespace vos::input::keycodes {

inline constexpr std::uint8_t kIdle = 0x00;

// Held-key codes of the send timer: flag i (0..7) sends kHeldBase + i, or
// kHeldShiftedBase + i while the shifted latch is on.
inline constexpr std::uint8_t kHeldBase = 0x50;
inline constexpr std::uint8_t kHeldShiftedBase = 0x58;
inline constexpr int kHeldKeyCount = 8;

struct VirtualKeyCode {
    std::uint16_t vkey;
    std::uint8_t code;
};

// Virtual keys that send a code on key-down, whatever the modifiers. F1/F2
// are swapped against F3-F8; F9/F10 send 0x98/0x99. 0x2B is the Execute key,
// not "+" (that one is a character). Escape is not here: it changes screen.
inline constexpr std::array<VirtualKeyCode, 18> kKeyDownCodes{{
    {0x08, 0x8D},  // Backspace
    {0x25, 0x89},  // Left
    {0x26, 0x8B},  // Up
    {0x27, 0x88},  // Right
    {0x28, 0x8C},  // Down
    {0x2B, 0x8A},  // Execute
    {0x2D, 0x8E},  // Insert
    {0x2E, 0x8F},  // Delete
    {0x70, 0x81},  // F1
    {0x71, 0x80},  // F2
    {0x72, 0x82},  // F3
    {0x73, 0x83},  // F4
    {0x74, 0x84},  // F5
    {0x75, 0x85},  // F6
    {0x76, 0x86},  // F7
    {0x77, 0x87},  // F8
    {0x78, 0x98},  // F9
    {0x79, 0x99},  // F10
}};

inline constexpr std::uint16_t kEscapeKey = 0x1B;
// With Ctrl: copies the screen's text; it is no key of the panel and sends
// nothing (its character, 3, has no code either).
inline constexpr std::uint16_t kCopyKey = 'C';

constexpr std::optional<std::uint8_t> codeForVirtualKey(std::uint16_t vkey) {
    for (const auto& k : kKeyDownCodes)
        if (k.vkey == vkey) return k.code;
    return std::nullopt;
}

// A translated character's code: space to "T" as the character + 0x80, "a" to
// "t" as their capitals; CR (13), Ctrl+S (19) and every other character send
// nothing ("U" to "Z" included: the range stops at "T").
constexpr std::optional<std::uint8_t> codeForCharacter(std::uint8_t ch) {
    if (ch == 13 || ch == 19) return std::nullopt;
    if (ch >= 0x20 && ch <= 0x54) return static_cast<std::uint8_t>(ch + 0x80);
    if (ch >= 0x61 && ch <= 0x74) return static_cast<std::uint8_t>(ch + 0x60);
    return std::nullopt;
}

}  // namespace vos::input::keycodes
