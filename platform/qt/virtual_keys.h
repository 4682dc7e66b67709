#pragma once
// Translation of Qt key events to the program's key vocabulary: virtual-key
// codes for key-down and Latin-1 characters for key-press. Private to
// platform/qt.
#include <cstdint>
#include <optional>

class QKeyEvent;

namespace vos {

// 0 when the key has no virtual-key code.
std::uint16_t virtualKeyOf(const QKeyEvent& e);

// The character the key produced in the active layout, as one Latin-1 byte
// (Windows-1252 for the euro sign); nothing for keys that produce no
// character or one outside that set.
std::optional<std::uint8_t> characterOf(const QKeyEvent& e);

}  // namespace vos
