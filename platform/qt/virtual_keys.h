#pragma once
// Translation of Qt key events to the program's key vocabulary: virtual-key
// codes for key-down and Latin-1 characters for key-press. Private to
// platform/qt.
//
// How keys arrive on X11 (xcb): every key press carries the X key code as
// its native scan code and the keysym as its native virtual key. Dead keys,
// compose sequences and input methods do not arrive as key presses: the
// platform's input context swallows their key presses and hands the one
// character they produce to the focus widget as an input-method commit
// string, provided that widget accepts input methods.
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class QKeyEvent;

namespace vos {

// 0 when the key has no virtual-key code.
std::uint16_t virtualKeyOf(const QKeyEvent& e);

// The character the key produced in the active layout, as one Latin-1 byte
// (Windows-1252 for the euro sign); nothing for keys that produce no
// character or one outside that set, and nothing for a chord with Ctrl
// (Ctrl+letter types a control character, Ctrl+digit types nothing: neither
// is text).
std::optional<std::uint8_t> characterOf(const QKeyEvent& e);

// The characters of an input-method commit string (a dead key or compose
// sequence, an input method's text), each as characterOf would give it;
// characters outside that set are left out.
std::vector<std::uint8_t> charactersOf(const QString& committed);

}  // namespace vos
