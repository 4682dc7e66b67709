#include "platform/qt/virtual_keys.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <array>
#include <utility>

namespace vos {

namespace {

// Keys whose code does not follow from a range below.
constexpr std::array<std::pair<int, std::uint16_t>, 52> kKeyTable{{
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09}, {Qt::Key_Backtab, 0x09},
    {Qt::Key_Clear, 0x0C}, {Qt::Key_Return, 0x0D}, {Qt::Key_Enter, 0x0D},
    {Qt::Key_Shift, 0x10}, {Qt::Key_Control, 0x11}, {Qt::Key_Alt, 0x12},
    {Qt::Key_Pause, 0x13}, {Qt::Key_CapsLock, 0x14}, {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20}, {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23}, {Qt::Key_Home, 0x24}, {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26}, {Qt::Key_Right, 0x27}, {Qt::Key_Down, 0x28},
    {Qt::Key_Select, 0x29}, {Qt::Key_Printer, 0x2A}, {Qt::Key_Execute, 0x2B},
    {Qt::Key_Print, 0x2C}, {Qt::Key_Insert, 0x2D}, {Qt::Key_Delete, 0x2E},
    {Qt::Key_Help, 0x2F}, {Qt::Key_Meta, 0x5B}, {Qt::Key_Super_L, 0x5B},
    {Qt::Key_Super_R, 0x5C}, {Qt::Key_Menu, 0x5D}, {Qt::Key_NumLock, 0x90},
    {Qt::Key_ScrollLock, 0x91}, {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Colon, 0xBA},
    {Qt::Key_Equal, 0xBB}, {Qt::Key_Plus, 0xBB}, {Qt::Key_Comma, 0xBC},
    {Qt::Key_Less, 0xBC}, {Qt::Key_Minus, 0xBD}, {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE}, {Qt::Key_Greater, 0xBE}, {Qt::Key_Slash, 0xBF},
    {Qt::Key_Question, 0xBF}, {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC}, {Qt::Key_BracketRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},
}};

// Keypad keys other than digits.
constexpr std::array<std::pair<int, std::uint16_t>, 5> kKeypadTable{{
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B}, {Qt::Key_Minus, 0x6D},
    {Qt::Key_Period, 0x6E}, {Qt::Key_Slash, 0x6F},
}};

// X11 key codes of the digit row "1".."9","0": on layouts where that row
// types other characters unshifted, the key still means its digit.
constexpr int kXcbDigitRowFirst = 10, kXcbDigitRowLast = 19;

// The X keysym Execute (the keypad's Execute on keyboards that have one):
// Qt has no key for it and reports key 0, so only the keysym tells it.
constexpr quint32 kXKeysymExecute = 0xFF62;
constexpr std::uint16_t kVkExecute = 0x2B;

// The ANSI byte of a character: Latin-1, and the euro sign at 0x80.
std::optional<std::uint8_t> ansiOf(char32_t c) {
    if (c < 0x100) return static_cast<std::uint8_t>(c);
    if (c == 0x20AC) return static_cast<std::uint8_t>(0x80);
    return std::nullopt;
}

}  // namespace

std::uint16_t virtualKeyOf(const QKeyEvent& e) {
    const int key = e.key();
    if (key == Qt::Key_Execute || ((key == 0 || key == Qt::Key_unknown) && e.nativeVirtualKey() == kXKeysymExecute))
        return kVkExecute;
    const bool keypad = e.modifiers().testFlag(Qt::KeypadModifier);
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint16_t>(0x60 + key - Qt::Key_0);
        for (const auto& [k, vk] : kKeypadTable)
            if (k == key) return vk;
    }
    const int scan = static_cast<int>(e.nativeScanCode());
    if (!keypad && scan >= kXcbDigitRowFirst && scan <= kXcbDigitRowLast &&
        QGuiApplication::platformName() == QLatin1String("xcb"))
        return static_cast<std::uint16_t>(scan == kXcbDigitRowLast ? '0' : '1' + scan - kXcbDigitRowFirst);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<std::uint16_t>(key);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<std::uint16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<std::uint16_t>(0x70 + key - Qt::Key_F1);
    for (const auto& [k, vk] : kKeyTable)
        if (k == key) return vk;
    return 0;
}

std::optional<std::uint8_t> characterOf(const QKeyEvent& e) {
    const QString text = e.text();
    if (text.size() != 1) return std::nullopt;
    // Delete types DEL on some systems; it is a key, not a character.
    if (e.key() == Qt::Key_Delete) return std::nullopt;
    // X gives Ctrl+digit the digit and Ctrl+2 a NUL: with Ctrl held nothing
    // is text, whatever the layout. AltGr is not Ctrl on X (it is its own
    // level), so its characters stay characters.
    if (e.modifiers().testFlag(Qt::ControlModifier)) return std::nullopt;
    return ansiOf(text.at(0).unicode());
}

std::vector<std::uint8_t> charactersOf(const QString& committed) {
    std::vector<std::uint8_t> out;
    for (const uint c : committed.toUcs4())
        if (const auto b = ansiOf(static_cast<char32_t>(c))) out.push_back(*b);
    return out;
}

}  // namespace vos
